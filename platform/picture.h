#pragma once
// TPicture: holds one graphic of any class and reads picture files through the file-format
// registry. Extensions are matched without case; an extension nobody registered is refused
// with SUnknownExtension, never passed to some other decoder.
//
// Built in: "bmp" (Bitmaps), "ico" (Icons), "jpg" and "jpeg" (JPEG Image File). Other readers
// register at start-up, e.g.
//     TPicture::RegisterFileFormat<TGIFGraphic>("gif", "CompuServe images");
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/bitmap.h"

using TGraphicClassFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
    QString Extension;   // without the dot, as registered
    QString Description; // "Bitmaps"
    QString ClassName;   // class the factory makes, "TBitmap"
    TGraphicClassFactory Factory;
};

class TPicture {
public:
    TPicture();
    TPicture(const TPicture& other);            // deep copy
    TPicture& operator=(const TPicture& other); // deep copy
    ~TPicture();

    TGraphic* Graphic() const { return m_graphic.get(); }
    // A copy of graphic (nullptr empties the picture).
    void SetGraphic(const TGraphic* graphic);
    // Takes graphic.
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The graphic as a bitmap; a picture holding another class (or none) is replaced by an
    // empty bitmap, as the framework does.
    TBitmap* Bitmap();
    bool Empty() const { return !m_graphic || m_graphic->Empty(); }
    int Width() const { return m_graphic ? m_graphic->Width() : 0; }
    int Height() const { return m_graphic ? m_graphic->Height() : 0; }

    void Assign(const TPicture* src);  // nullptr empties
    void Assign(const TGraphic* src);  // copy of the graphic

    // Picks the class by extension, reads the file into a new graphic and only then replaces
    // the picture's graphic. Raises EInvalidGraphic(SUnknownExtension) for an unregistered or
    // missing extension, and the reader's exception for a bad file (picture unchanged).
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const; // the graphic's own format; nothing when empty

    // Creates a graphic by class name (built-in classes and every registered class);
    // nullptr when unknown. Used by component streams.
    static std::unique_ptr<TGraphic> CreateGraphic(const QString& className);

    // Registry. A second registration of an extension replaces the first.
    static void RegisterFileFormat(const QString& extension, const QString& description,
                                   TGraphicClassFactory factory);
    template <class T>
    static void RegisterFileFormat(const QString& extension, const QString& description)
    {
        RegisterFileFormat(extension, description, [] { return std::unique_ptr<TGraphic>(new T); });
    }
    static void UnregisterGraphicClass(const QString& className);
    template <class T>
    static void UnregisterGraphicClass() { UnregisterGraphicClass(T().ClassName()); }
    // Registered formats in registration order (built-ins first).
    static std::vector<TFileFormat> FileFormats();
    // The format registered for ext (with or without the dot, any case), nullptr if none.
    static const TFileFormat* FindFormat(const QString& extension);

    std::function<void(TPicture*)> OnChange;

private:
    void changed();
    std::unique_ptr<TGraphic> m_graphic;
};

// "All (*.bmp;*.ico;...)|*.bmp;*.ico;...|Bitmaps (*.bmp)|*.bmp|..." for every registered format
// whose class is className or, with an empty className, for every format.
QString GraphicFilter(const QString& className = QString());
// The first extension registered for className ("" when none; TGraphic itself has none).
QString GraphicExtension(const QString& className);
// "*.bmp;*.ico;..." for className's formats (all with an empty className).
QString GraphicFileMask(const QString& className = QString());
