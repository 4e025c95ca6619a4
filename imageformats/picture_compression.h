#pragma once
// Decompressors used by the picture readers. They work on memory buffers only; the
// readers do the file input. Every decoder is bounded by its input (packedSize) and
// its output (unpackedSize): hostile data can neither read nor write past a buffer.
#include <cstdint>
#include <functional>

class TDecoder {
public:
    virtual ~TDecoder() = default;
    // Decodes from source into dest. Returns the number of bytes written to dest.
    // Only TCUTRLE advances the caller's source pointer.
    virtual int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                           int32_t unpackedSize) = 0;
    virtual void Encode(const uint8_t* source, uint8_t* dest, uint32_t& bytes) = 0;
};

// Shared table layout of both LZW flavours.
class TLZWDecoderBase : public TDecoder {
public:
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}

protected:
    static constexpr uint32_t TableSize = 4096;

    // Every table string was written out once, whole: where it starts in this call's output
    // and how long it is, so a long one is copied from there instead of being rebuilt code by
    // code. Its first eight bytes are also kept here (zeros past its end): short strings, the
    // most, are written from a register, without reading back output just written. One entry
    // more than codes: a full table writes its would-be next entry there rather than testing
    // for room.
    uint64_t m_head[TableSize + 1];
    const uint8_t* m_from[TableSize + 1];
    uint16_t m_length[TableSize + 1];
    uint16_t m_clearCode = 0;
    uint16_t m_eoiCode = 0;

    // Decodes codes of initialBits (growing to 12) from [source, sourceEnd) into at most
    // unpackedSize bytes at dest; raises message for a code the table does not hold yet. Bytes
    // of dest past the ones it returns may be overwritten.
    // MsbFirst: TIFF bit order, the width growing one code early; otherwise GIF's.
    // more, when given, hands over the next piece of the data when one runs out.
    template <bool MsbFirst>
    int32_t DecodeCodes(const uint8_t* source, const uint8_t* sourceEnd, uint8_t* dest, int32_t unpackedSize,
                        uint32_t initialBits, const char* message,
                        const std::function<bool(const uint8_t*&, const uint8_t*&)>* more = nullptr);
};

// TIFF LZW: codes most significant bit first, width grows one code early.
class TTIFFLZW : public TLZWDecoderBase {
public:
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
};

// GIF LZW: codes least significant bit first; the initial code size is set by the reader.
class TGIFLZW : public TLZWDecoderBase {
public:
    uint8_t InitialCodeSize = 8;   // 2..11; anything else is refused
    // For data that comes in pieces (sub-blocks read from a file as decoding goes): called when
    // the piece in hand is used up, sets [s, sEnd) to the next one and says whether there is one.
    // Codes run across the pieces' ends.
    std::function<bool(const uint8_t*& s, const uint8_t*& sEnd)> More;
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
};

class TPackbitsRLE : public TDecoder {
public:
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

class TPCXRLE : public TDecoder {
public:
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}

    // Set by each call: the source bytes of the whole items it took. With Carry, a run cut by
    // the end of dest is finished by the next call, so that data decodes in pieces as it would
    // whole.
    uint32_t Consumed = 0;
    bool Carry = false;

private:
    uint32_t m_runLeft = 0;
    uint8_t m_runValue = 0;
};

// One channel row per call, up to its terminating packet. Output is one byte per sample
// (the most significant byte of 16-bit samples).
class TSGIRLE : public TDecoder {
public:
    int SampleSize = 1;   // 1 or 2 bytes
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

// One row per call; advances source past the row's terminating zero so that consecutive
// rows decode from one buffer. PackedSize is what remains of that buffer.
class TCUTRLE : public TDecoder {
public:
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

class TRLADecoder : public TDecoder {
public:
    int32_t Decode(const uint8_t*& source, uint8_t* dest, int32_t packedSize,
                   int32_t unpackedSize) override;
    void Encode(const uint8_t*, uint8_t*, uint32_t&) override {}
};

// What is left of a Targa packet that ran past the end of one DecodeRLE call.
struct TTargaPacket {
    uint32_t Left = 0;   // pixels still to come
    bool Run = false;
    uint8_t Pixel[4] = {};
};

// Targa run-length packets. Produces at most count bytes from at most sourceSize bytes;
// colorDepth is the pixel size in bits (8, 15, 16, 24, 32). Returns the source bytes consumed
// (0 for an unknown depth). A packet that crosses the end of count is cut there; with carry
// (and count a whole number of pixels) its rest is kept there and continued by the next
// call, which goes on from source + the bytes consumed: rows decode one by one while packets
// run across their ends. Bytes of dest past the ones produced may be overwritten.
uint32_t DecodeRLE(const uint8_t* source, uint32_t sourceSize, uint8_t* dest, uint32_t count,
                   uint32_t colorDepth, uint32_t* produced = nullptr, TTargaPacket* carry = nullptr);
// Encodes count pixels of bytesPerPixel (1..4) bytes; dest needs 2 * count * bytesPerPixel
// bytes at most. Returns the bytes written.
int32_t EncodeRLE(const uint8_t* source, uint8_t* dest, int32_t count, int32_t bytesPerPixel);
