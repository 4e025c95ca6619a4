#pragma once
// Decompressors used by the picture readers. They work on memory buffers only; the
// readers do the file input. Every decoder is bounded by its input (PackedSize) and
// its output (UnpackedSize): hostile data can neither read nor write past a buffer.
#include <cstdint>

class TDecoder {
public:
    virtual ~TDecoder() = default;
    // Decodes from Source into Dest. Returns the number of bytes written to Dest.
    // Only TCUTRLE advances the caller's Source pointer.
    virtual int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                           int32_t UnpackedSize) = 0;
    virtual void Encode(const uint8_t* Source, uint8_t* Dest, uint32_t& Bytes) = 0;
};

// Shared table layout of both LZW flavours.
class TLZWDecoderBase : public TDecoder {
public:
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}

protected:
    static constexpr uint32_t NoCode = 4096;
    static constexpr uint32_t TableSize = 4096;

    uint32_t FCodeSize = 0;
    uint32_t FCodeMask = 0;
    uint32_t FFreeCode = 0;
    uint32_t FOldCode = NoCode;
    uint32_t FPrefix[TableSize];
    uint8_t FSuffix[TableSize];
    // Every table string was written out once, whole: where it starts in this call's output
    // and how long it is, so it is copied from there instead of being rebuilt code by code.
    uint32_t FOffset[TableSize];
    uint16_t FLength[TableSize];
    uint8_t FFirstChar = 0;
    uint16_t FClearCode = 0;
    uint16_t FEOICode = 0;

    void ResetTable();
    // Decodes codes of InitialBits (growing to 12) from [Source, SourceEnd) into at most
    // UnpackedSize bytes at Dest; raises Message for a code the table does not hold yet.
    // MsbFirst: TIFF bit order, the width growing one code early; otherwise GIF's.
    template <bool MsbFirst>
    int32_t DecodeCodes(const uint8_t* Source, const uint8_t* SourceEnd, uint8_t* Dest, int32_t UnpackedSize,
                        uint32_t InitialBits, const char* Message);
};

// TIFF LZW: codes most significant bit first, width grows one code early.
class TTIFFLZW : public TLZWDecoderBase {
public:
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
};

// GIF LZW: codes least significant bit first; the initial code size is set by the reader.
class TGIFLZW : public TLZWDecoderBase {
public:
    uint8_t InitialCodeSize = 8;   // 2..11; anything else is refused
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
};

class TPackbitsRLE : public TDecoder {
public:
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

class TPCXRLE : public TDecoder {
public:
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

// One channel row per call, up to its terminating packet. Output is one byte per sample
// (the most significant byte of 16-bit samples).
class TSGIRLE : public TDecoder {
public:
    int SampleSize = 1;   // 1 or 2 bytes
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

// One row per call; advances Source past the row's terminating zero so that consecutive
// rows decode from one buffer. PackedSize is what remains of that buffer.
class TCUTRLE : public TDecoder {
public:
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

class TRLADecoder : public TDecoder {
public:
    int32_t Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                   int32_t UnpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

// What is left of a Targa packet that ran past the end of one DecodeRLE call.
struct TTargaPacket {
    uint32_t Left = 0;   // pixels still to come
    bool Run = false;
    uint8_t Pixel[4] = {};
};

// Targa run-length packets. Produces at most Count bytes from at most SourceSize bytes;
// ColorDepth is the pixel size in bits (8, 15, 16, 24, 32). Returns the source bytes consumed
// (0 for an unknown depth). A packet that crosses the end of Count is cut there; with Carry
// (and Count a whole number of pixels) its rest is kept there and continued by the next
// call, which goes on from Source + the bytes consumed: rows decode one by one while packets
// run across their ends. Bytes of Dest past the ones produced may be overwritten.
uint32_t DecodeRLE(const uint8_t* Source, uint32_t SourceSize, uint8_t* Dest, uint32_t Count,
                   uint32_t ColorDepth, uint32_t* Produced = nullptr, TTargaPacket* Carry = nullptr);
// Encodes Count pixels of BytesPerPixel (1..4) bytes; Dest needs 2 * Count * BytesPerPixel
// bytes at most. Returns the bytes written.
int32_t EncodeRLE(const uint8_t* Source, uint8_t* Dest, int32_t Count, int32_t BytesPerPixel);
