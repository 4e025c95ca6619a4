#pragma once
// The run's ANSI code page: stored texts are bytes in this code page.
#include <QByteArray>
#include <QString>
#include <cstddef>

// 1252 for Western locales; 1250, 1251, 932, 936, 949, 950 where the locale asks. Fixed for the run.
int AnsiCodePage();
// For tests: pins the code page (0 = choose from the locale again).
void SetAnsiCodePage(int cp);
// The code page a locale name ("de_DE.UTF-8", "ja_JP", "ru") calls for.
int CodePageForLocale(const QString& locale);

// Bytes in the ANSI code page to text; stops at the first NUL.
QString FromAnsi(const QByteArray& bytes);
QString FromAnsi(const char* p, size_t maxLen);
// Text to ANSI bytes; characters the page lacks become '?'.
QByteArray ToAnsi(const QString& text);
// Explicit code page forms.
QString FromCodePage(int cp, const QByteArray& bytes);
QByteArray ToCodePage(int cp, const QString& text);

// Fixed-width NUL-terminated text fields (record layouts): reads up to the first NUL within
// width bytes; writes at most width-1 bytes (never splitting a multibyte character), NUL padded.
QString ReadFixedField(const char* p, size_t width);
void WriteFixedField(char* p, size_t width, const QString& text);
