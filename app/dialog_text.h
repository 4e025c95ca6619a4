#pragma once
// Text helpers of the dialogs: decimal numbers typed by the user, and numbered format strings
// filled without handing translated text to a printf-style call.
#include <QString>
#include <QVariant>
#include <initializer_list>

// The framework's string-to-integer conversion: optional sign and decimal digits, within 32
// bits, surrounding blanks allowed. Anything else throws with the framework's message.
int StrToInt(const QString& text);

// Fills "%s" and "%d" (also "%i", "%u") of a numbered format in order from args; "%%" is a
// percent sign. A conversion with no argument left, or one that does not fit the argument,
// is shown as it stands; flags, widths and other letters are never interpreted.
QString FormatLangText(const QString& format, std::initializer_list<QVariant> args);
