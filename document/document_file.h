#pragma once
// The document file (".kvo") and the clipboard's transfer files, which share its layout: a
// 48-byte header, then per object a 40-byte record and its payload (a component stream for
// labels and pictures, 12 bytes for rectangles and ellipses). Objects are stored in window
// pixels around the paper centre; the header's half-height is the scale reference.
#include "document/paper_type.h"
#include "platform/component_stream.h"
#include "platform/graphics.h"
#include "platform/guid.h"
#include "platform/stream_errors.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class QFile;
class QIODevice;
class CDesignObject;
class CImage;
class CLabel;
class TChildFrame;

constexpr int DocumentHeaderSize = 48;
constexpr int ObjectRecordSize = 40;
constexpr int ShapeObjectDataSize = 12;
constexpr int ObjectRecordNameSize = 20;

// Record kinds.
enum TObjectKind : int32_t { okLabel = 0, okImage = 1, okRectangle = 2, okEllipse = 3 };

struct DocumentHeader {
    uint16_t Count = 0;
    int32_t HalfHeight = 0;
    TPoint PaperCentre;
    TColor OutlineColor = clSilver;
    TColor CoreColor = clWhite;
    TGUID PaperID;
    int32_t PageMode = PageModeLabel;

    // The 48 bytes, magic "KVO_2" and its NUL first.
    QByteArray Encode() const;
    // False when the bytes do not start with the magic; a shorter block than 48 bytes with the
    // magic raises EReadError.
    static bool Decode(const QByteArray& bytes, DocumentHeader& header);
};

struct ObjectRecord {
    int32_t Kind = 0;
    int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    QString Name;  // at most 19 bytes in the file, NUL-terminated

    QByteArray Encode() const;
    static ObjectRecord Decode(const char* bytes);  // ObjectRecordSize bytes
};

struct ShapeObjectData {
    TColor LineColor = clBlack;
    TColor CoreColor = clWhite;
    uint8_t LineWidth = 1;  // the object's LineWidth cut to one byte

    QByteArray Encode() const;  // the three reserved bytes are 0
    static ShapeObjectData Decode(const char* bytes);  // ShapeObjectDataSize bytes
};

// Record kind of a design object: 0 label, 1 picture, 3 ellipse, 2 rectangle; -1 for an object of
// no stored kind, which the writers leave out.
int ObjectKindOf(const CDesignObject* object);
// Name prefix of a kind: "CLabel", "CImage", "CRect", "CElips".
QString ObjectKindPrefix(int kind);

// The component streams of the two streamed kinds, with the properties the framework writes:
// the geometry always, Cursor unless crDefault, Locked always, then a label's Angle and
// FontSize unless 0, its Font and its Text unless empty; a picture's Image.Data when it holds a
// graphic and its StretchInRatio when true.
TStreamComponent LabelComponent(const CLabel& label);
TStreamComponent ImageComponent(const CImage& image);
// The picture's Image.Data bytes. A graphic whose class cannot write itself back (no reader
// knows the class, or it writes nothing for a real picture) is stored as a bitmap instead, so
// that the picture is never lost.
QByteArray StoredPictureData(const TPicture& picture);

// The file's bytes for frame: its header (count = the objects written) and every design object
// of a stored kind in control order, or only the selected ones. *written receives their count.
QByteArray EncodeDocument(const TChildFrame& frame, bool selectedOnly, int* written = nullptr);

// A file that is not a document, or a record the format cannot hold (kind outside 0 to 3).
class EBadDocument : public EReadError {
public:
    using EReadError::EReadError;
};

// Reads a document sequentially from a device.
class TDocumentReader {
public:
    explicit TDocumentReader(QIODevice& device) : m_device(device) {}

    // The header; false when the data is not a document (wrong magic, or a half-height that is
    // not above 0). A header cut short after the magic raises EReadError.
    bool ReadHeader(DocumentHeader& header);

    // One record with its payload.
    struct Object {
        ObjectRecord Record;
        TStreamComponent Component;  // labels and pictures
        ShapeObjectData Shape;       // rectangles and ellipses
    };
    // The next object; EBadDocument for a kind outside 0 to 3, EReadError for data that ends
    // early or a broken stream, EClassNotFound for a stream of an unknown class.
    Object ReadObject();

private:
    QByteArray readExactly(qint64 size);
    QIODevice& m_device;
};

// Creates the design object of o on frame: placed and sized around the frame's paper centre
// with scale (frame's HalfHeight / header's), at the frame's zoom, named name, its payload taken
// (then a label fits its text), and selected alone. A payload that cannot be taken raises its
// error before anything is added to the window.
CDesignObject* AddDocumentObject(TChildFrame& frame, const DocumentHeader& header, float scale,
                                 const TDocumentReader::Object& o, const QString& name);

// Opens path for reading; EFOpenError when it is no plain file or cannot be opened.
void OpenDocumentFile(QFile& file, const QString& path);

// prefix + the window's next name suffix; while an object of the window has that name the
// count in the suffix goes up.
QString NewObjectName(const TChildFrame& frame, const QString& prefix);
// True when an object of the window is called name.
bool HasObjectNamed(const TChildFrame& frame, const QString& name);
