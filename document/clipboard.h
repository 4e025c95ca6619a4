#pragma once
// Clipboard exchange of design objects: the clipboard carries a small "CF_MIXEDOBJ" block (the
// object count and the path of a transfer file); the transfer file has the document layout and
// holds the copied objects.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

inline constexpr char CF_MIXEDOBJ[] = "CF_MIXEDOBJ";

class QMimeData;

// What a document can paste: its own objects, a picture in any image form, or text. The main
// window's Paste and the document's popup Paste follow this one rule.
bool ClipboardOffersMixedObj(const QMimeData* data);
bool ClipboardOffersPicture(const QMimeData* data);
bool ClipboardOffersPaste(const QMimeData* data);
// The picture on the clipboard, also when it is carried only as encoded "image/..." data.
QImage ClipboardPicture(const QMimeData* data);

constexpr int ClipboardBlockSize = 260;
constexpr int ClipboardPathSize = 256;  // NUL-terminated, so at most 255 bytes of path

// The block: u32 count, then the path in the ANSI code page, zero-filled. The path must fit.
QByteArray EncodeClipboardBlock(uint32_t count, const QString& path);
// False when the block is too short to hold a count or carries no path. The path is read up to
// its NUL and never past the path field or the block.
bool DecodeClipboardBlock(const QByteArray& block, uint32_t& count, QString& path);

// The transfer file of a window: "KVO2K_" + the caption's file name with the extension ".clp",
// in the private temporary folder. A name that would make the path longer than the block holds
// is shortened; EFCreateError when even the folder does not fit.
QString TransferFileName(const QString& caption);
