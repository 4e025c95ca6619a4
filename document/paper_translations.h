#pragma once
// Paper texts in the interface language ("*.lng" files in the paper folder)
// and the preview and shape-mask pictures named by the mask table.

#include <cstdint>

#include <QString>

struct PaperType;

// Section name of the translation files for an interface-language code,
// or an empty text when the language has none.
QString PaperLanguageSection(uint32_t languageCode);

// The four texts of a translation value: name, manufacturer, classification,
// description ("^^" becoming CR LF in the description), each cut to its field.
struct PaperTexts {
    QString Name, Manufacturer, Classification, Description;
};
PaperTexts SplitPaperTranslation(const QString& value);

// Puts the catalogue's shipped papers back to the texts of their files, then
// applies the translations of the current interface language.
void LoadPaperTranslations();

// Attaches the preview and shape-mask pictures named in "paper/maskfile.ini"
// to the catalogue's papers whose flags ask for them.
void LoadPaperBitmaps();

// Full path of the mask table (found without regard to case) and of a picture
// named in it ("" for a name that would lead out of the mask folder).
QString PaperMaskTableFileName();
QString PaperMaskPictureFileName(const QString& name);
