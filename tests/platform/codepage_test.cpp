#include <gtest/gtest.h>

#include "platform/codepage.h"

#include <cstring>

namespace {

class CodePage : public ::testing::Test {
protected:
    void TearDown() override { SetAnsiCodePage(0); }
};

TEST_F(CodePage, ChosenFromTheLocale)
{
    struct Case { const char* locale; int cp; };
    const Case cases[] = {
        {"", 1252},          {"C", 1252},          {"POSIX", 1252},     {"en_US.UTF-8", 1252},
        {"de_DE.UTF-8", 1252}, {"fr_FR@euro", 1252}, {"pl_PL.UTF-8", 1250}, {"cs_CZ", 1250},
        {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},      {"sr_RS@latin", 1250}, {"sr_RS", 1251},
        {"ja_JP.UTF-8", 932},  {"zh_CN.UTF-8", 936}, {"zh_TW.UTF-8", 950}, {"zh_HK", 950},
        {"ko_KR.EUC-KR", 949}, {"el_GR", 1252},
    };
    for (const Case& c : cases) EXPECT_EQ(CodePageForLocale(QString::fromLatin1(c.locale)), c.cp) << c.locale;
}

TEST_F(CodePage, FixedForTheRunUnlessPinned)
{
    const int first = AnsiCodePage();
    qputenv("LC_ALL", "ja_JP.UTF-8");
    EXPECT_EQ(AnsiCodePage(), first);
    qunsetenv("LC_ALL");
    SetAnsiCodePage(1251);
    EXPECT_EQ(AnsiCodePage(), 1251);
}

TEST_F(CodePage, Western1252RoundTrip)
{
    SetAnsiCodePage(1252);
    const QString text = QStringLiteral("Größe € „quoted“ – Ünïcödé");
    const QByteArray b = ToAnsi(text);
    EXPECT_EQ(b, QByteArray("Gr\xF6\xDF" "e \x80 \x84quoted\x93 \x96 \xDCn\xEF" "c\xF6" "d\xE9"));
    EXPECT_EQ(FromAnsi(b), text);
    // Characters the page lacks become '?'; bytes it leaves undefined keep their own code point.
    EXPECT_EQ(ToAnsi(QStringLiteral("a\u4E2Db😀c")), QByteArray("a?b?c"));
    EXPECT_EQ(FromAnsi(QByteArray("\x81\x8D")), QString::fromUtf8("\u0081\u008D"));
    // Reading stops at the first NUL and never runs past the field.
    EXPECT_EQ(FromAnsi(QByteArray("ab\0cd", 5)), QStringLiteral("ab"));
    const char field[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(FromAnsi(field, 3), QStringLiteral("abc"));
    EXPECT_EQ(FromAnsi(nullptr, 10), QString());
}

TEST_F(CodePage, MultibyteShiftJisRoundTrip)
{
    SetAnsiCodePage(932);
    const QString text = QStringLiteral("ラベル印刷 A4 表");
    const QByteArray b = ToAnsi(text);
    EXPECT_EQ(b, QByteArray("\x83\x89\x83\x78\x83\x8B\x88\xF3\x8D\xFC A4 \x95\x5C"));
    EXPECT_EQ(FromAnsi(b), text);
    // A lead byte cut off at the end and a stray trail byte give replacement characters, never a crash.
    EXPECT_EQ(FromAnsi(QByteArray("A\x83")), QString::fromUtf8("A\uFFFD"));
    EXPECT_EQ(FromCodePage(1251, QByteArray("\xCF\xF0\xE8")), QString::fromUtf8("При"));
}

TEST_F(CodePage, FixedFieldsNeverSplitACharacter)
{
    SetAnsiCodePage(932);
    char field[8];
    std::memset(field, 'x', sizeof field);
    WriteFixedField(field, sizeof field, QStringLiteral("表表表表")); // 8 bytes wanted, 7 fit
    EXPECT_EQ(QByteArray(field, 8), QByteArray("\x95\x5C\x95\x5C\x95\x5C\0\0", 8));
    EXPECT_EQ(ReadFixedField(field, sizeof field), QStringLiteral("表表表"));

    SetAnsiCodePage(1252);
    WriteFixedField(field, sizeof field, QStringLiteral("Label text longer than the field"));
    EXPECT_EQ(QByteArray(field, 8), QByteArray("Label t\0", 8));
    WriteFixedField(field, sizeof field, QString());
    EXPECT_EQ(QByteArray(field, 8), QByteArray(8, '\0'));
}

} // namespace
