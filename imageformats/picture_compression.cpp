#include "imageformats/picture_compression.h"

#include "imageformats/picture_error.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------
// LZW, shared part

void TLZWDecoderBase::ResetTable()
{
    for (uint32_t i = 0; i < FClearCode; ++i) {
        FPrefix[i] = NoCode;
        FSuffix[i] = uint8_t(i);
    }
    FOldCode = NoCode;
    FFirstChar = 0;
}

template <bool MsbFirst>
int32_t TLZWDecoderBase::DecodeCodes(const uint8_t* S, const uint8_t* SEnd, uint8_t* Dest, int32_t UnpackedSize,
                                     uint32_t InitialBits, const char* Message)
{
    // Locals, not members: stores through the output pointer would make the compiler
    // reload every member after each byte written.
    const uint32_t Clear = FClearCode, EOI = FEOICode;
    uint32_t* const Prefix = FPrefix;
    uint8_t* const Suffix = FSuffix;
    uint32_t* const Offset = FOffset;
    uint16_t* const Length = FLength;
    uint8_t* T = Dest;
    uint8_t* const TEnd = Dest + UnpackedSize;
    uint32_t CodeSize = InitialBits;
    uint32_t Mask = (1u << CodeSize) - 1;
    uint32_t Free = Clear + 2;
    uint32_t Old = NoCode;
    uint32_t OldPos = 0, OldLength = 0;   // where the previous code's string was written
    uint8_t First = 0;
    uint64_t Acc = 0;
    uint32_t Bits = 0;

    for (;;) {
        while (Bits < CodeSize) {
            if (S == SEnd)
                goto done;
            if (MsbFirst)
                Acc = (Acc << 8) | *S++;
            else
                Acc |= uint64_t(*S++) << Bits;
            Bits += 8;
        }
        uint32_t Code;
        if (MsbFirst) {
            Bits -= CodeSize;
            Code = uint32_t(Acc >> Bits) & Mask;
        } else {
            Code = uint32_t(Acc) & Mask;
            Acc >>= CodeSize;
            Bits -= CodeSize;
        }

        if (Code == EOI)
            break;
        if (Code == Clear) {
            CodeSize = InitialBits;
            Mask = (1u << CodeSize) - 1;
            Free = Clear + 2;
            Old = NoCode;
            continue;
        }
        if (Code > Free)
            RaisePictureError(Message);
        const uint32_t Pos = uint32_t(T - Dest);
        if (Old == NoCode) {
            // The first code after a clear must be a single character.
            if (Code >= Clear)
                RaisePictureError(Message);
            First = uint8_t(Code);
            *T++ = First;
            Old = Code;
            OldPos = Pos;
            OldLength = 1;
            if (T >= TEnd)
                break;
            continue;
        }

        // The string of Code; never written past the end of the output.
        const size_t Room = size_t(TEnd - T);
        uint32_t StringLength;
        if (Code == Free) {
            // The code about to be made: the previous string and its own first character.
            // That string ends right where this one starts, so the two never overlap.
            StringLength = OldLength + 1;
            First = Dest[OldPos];
            if (StringLength <= Room) {
                std::memcpy(T, Dest + OldPos, OldLength);
                T[OldLength] = First;
            } else {
                std::memcpy(T, Dest + OldPos, Room);
            }
        } else if (Code < Clear) {
            StringLength = 1;
            First = uint8_t(Code);
            *T = First;
        } else {
            StringLength = Length[Code];
            const uint8_t* From = Dest + Offset[Code];
            First = From[0];
            if (StringLength <= 16 && Room >= 16) {
                // Most strings are short: one 16-byte move, whatever lands past the string
                // is overwritten by the next one. The source may reach into that area, so
                // it goes through a register, not memcpy between overlapping blocks.
                uint8_t Block[16];
                std::memcpy(Block, From, 16);
                std::memcpy(T, Block, 16);
            } else {
                std::memcpy(T, From, std::min<size_t>(StringLength, Room));
            }
        }

        // A full table stops growing, so no entry can ever come to point to itself.
        if (Free < TableSize) {
            Prefix[Free] = Old;
            Suffix[Free] = First;
            Offset[Free] = OldPos;
            Length[Free] = uint16_t(OldLength + 1);
            if (MsbFirst) {
                ++Free;
                if (Free == Mask && CodeSize < 12) {
                    ++CodeSize;
                    Mask = (1u << CodeSize) - 1;
                }
            } else {
                if (Free == Mask && CodeSize < 12) {
                    ++CodeSize;
                    Mask = (1u << CodeSize) - 1;
                }
                ++Free;
            }
        }
        Old = Code;
        OldPos = Pos;
        OldLength = StringLength;
        if (StringLength >= Room) {
            T = TEnd;
            break;
        }
        T += StringLength;
    }
done:
    FCodeSize = CodeSize;
    FCodeMask = Mask;
    FFreeCode = Free;
    FOldCode = Old;
    FFirstChar = First;
    return int32_t(T - Dest);
}

// ---------------------------------------------------------------------------------------
// TIFF LZW

int32_t TTIFFLZW::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                         int32_t UnpackedSize)
{
    if (PackedSize <= 0 || UnpackedSize <= 0)
        return 0;
    FClearCode = 256;
    FEOICode = 257;
    ResetTable();
    return DecodeCodes<true>(Source, Source + PackedSize, Dest, UnpackedSize, 9, "TIF LZW: invalid opcode.");
}

// ---------------------------------------------------------------------------------------
// GIF LZW

int32_t TGIFLZW::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                        int32_t UnpackedSize)
{
    if (InitialCodeSize < 1 || InitialCodeSize > 11)
        RaisePictureError("GIF LZW: invalid opcode.");
    if (PackedSize <= 0 || UnpackedSize <= 0)
        return 0;
    FClearCode = uint16_t(1u << InitialCodeSize);
    FEOICode = uint16_t(FClearCode + 1);
    ResetTable();
    return DecodeCodes<false>(Source, Source + PackedSize, Dest, UnpackedSize, InitialCodeSize + 1u,
                              "GIF LZW: invalid opcode.");
}

// ---------------------------------------------------------------------------------------
// Run-length decoders

namespace {

// Copies a literal packet of Count bytes. Most are short: when both buffers have room, one
// fixed 16-byte move does it, and what lands past the packet is overwritten by what follows.
inline void CopyLiteral(uint8_t* D, const uint8_t* DEnd, const uint8_t* S, const uint8_t* SEnd, size_t Count)
{
    if (Count <= 16 && DEnd - D >= 16 && SEnd - S >= 16)
        std::memcpy(D, S, 16);
    else
        std::memcpy(D, S, Count);
}

}   // namespace

int32_t TPackbitsRLE::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                             int32_t UnpackedSize)
{
    if (PackedSize <= 0 || UnpackedSize <= 0)
        return 0;
    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* D = Dest;
    uint8_t* DEnd = Dest + UnpackedSize;
    while (S < SEnd && D < DEnd) {
        const int N = int8_t(*S++);
        if (N >= 0) {
            const size_t Avail = std::min<size_t>(size_t(N) + 1, size_t(SEnd - S));
            const size_t Count = std::min<size_t>(Avail, size_t(DEnd - D));
            CopyLiteral(D, DEnd, S, SEnd, Count);
            D += Count;
            S += Avail;
        } else if (N != -128) {
            if (S >= SEnd)
                break;
            const uint8_t Value = *S++;
            const size_t Count = std::min<size_t>(size_t(1 - N), size_t(DEnd - D));
            std::memset(D, Value, Count);
            D += Count;
        }
    }
    return int32_t(D - Dest);
}

int32_t TPCXRLE::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                        int32_t UnpackedSize)
{
    if (PackedSize <= 0 || UnpackedSize <= 0)
        return 0;
    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* D = Dest;
    uint8_t* DEnd = Dest + UnpackedSize;
    while (D < DEnd && S < SEnd) {
        const uint8_t B = *S++;
        if ((B & 0xC0) == 0xC0) {
            if (S >= SEnd)
                break;
            const uint8_t Value = *S++;
            const size_t Count = std::min<size_t>(B & 0x3F, size_t(DEnd - D));
            std::memset(D, Value, Count);
            D += Count;
        } else {
            *D++ = B;
        }
    }
    return int32_t(D - Dest);
}

int32_t TSGIRLE::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                        int32_t UnpackedSize)
{
    if (PackedSize <= 0 || UnpackedSize <= 0)
        return 0;
    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* D = Dest;
    uint8_t* DEnd = Dest + UnpackedSize;
    if (SampleSize == 2) {
        while (SEnd - S >= 2 && D < DEnd) {
            const unsigned Header = (unsigned(S[0]) << 8) | S[1];
            S += 2;
            const size_t Count = Header & 0x7F;
            if (Count == 0)
                break;
            if (Header & 0x80) {
                const size_t Avail = std::min<size_t>(Count, size_t(SEnd - S) / 2);
                const size_t N = std::min<size_t>(Avail, size_t(DEnd - D));
                for (size_t i = 0; i < N; ++i)
                    D[i] = S[2 * i];
                D += N;
                S += 2 * Avail;
            } else {
                if (SEnd - S < 2)
                    break;
                const uint8_t Value = S[0];
                S += 2;
                const size_t N = std::min<size_t>(Count, size_t(DEnd - D));
                std::memset(D, Value, N);
                D += N;
            }
        }
    } else {
        while (S < SEnd && D < DEnd) {
            const uint8_t Header = *S++;
            const size_t Count = Header & 0x7F;
            if (Count == 0)
                break;
            if (Header & 0x80) {
                const size_t Avail = std::min<size_t>(Count, size_t(SEnd - S));
                const size_t N = std::min<size_t>(Avail, size_t(DEnd - D));
                CopyLiteral(D, DEnd, S, SEnd, N);
                D += N;
                S += Avail;
            } else {
                if (S >= SEnd)
                    break;
                const uint8_t Value = *S++;
                const size_t N = std::min<size_t>(Count, size_t(DEnd - D));
                std::memset(D, Value, N);
                D += N;
            }
        }
    }
    return int32_t(D - Dest);
}

int32_t TCUTRLE::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                        int32_t UnpackedSize)
{
    if (PackedSize <= 0)
        return 0;
    if (UnpackedSize < 0)
        UnpackedSize = 0;
    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* D = Dest;
    uint8_t* DEnd = Dest + UnpackedSize;
    S += std::min<ptrdiff_t>(2, SEnd - S);   // the row's byte count
    // The row is parsed up to its end marker even when the output is full, so the next
    // row starts where it should.
    while (S < SEnd) {
        const uint8_t Header = *S++;
        if (Header == 0)
            break;
        const size_t Count = Header & 0x7F;
        if (Header & 0x80) {
            if (S >= SEnd)
                break;
            const uint8_t Value = *S++;
            const size_t N = std::min<size_t>(Count, size_t(DEnd - D));
            std::memset(D, Value, N);
            D += N;
        } else {
            const size_t Avail = std::min<size_t>(Count, size_t(SEnd - S));
            const size_t N = std::min<size_t>(Avail, size_t(DEnd - D));
            std::memcpy(D, S, N);
            D += N;
            S += Avail;
        }
    }
    Source = S;
    return int32_t(D - Dest);
}

int32_t TRLADecoder::Decode(const uint8_t*& Source, uint8_t* Dest, int32_t PackedSize,
                            int32_t UnpackedSize)
{
    if (PackedSize <= 0 || UnpackedSize <= 0)
        return 0;
    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* D = Dest;
    uint8_t* DEnd = Dest + UnpackedSize;
    while (S < SEnd && D < DEnd) {
        const int N = int8_t(*S++);
        if (N >= 0) {
            if (S >= SEnd)
                break;
            const uint8_t Value = *S++;
            const size_t Count = std::min<size_t>(size_t(N) + 1, size_t(DEnd - D));
            std::memset(D, Value, Count);
            D += Count;
        } else {
            const size_t Avail = std::min<size_t>(size_t(-N), size_t(SEnd - S));
            const size_t Count = std::min<size_t>(Avail, size_t(DEnd - D));
            std::memcpy(D, S, Count);
            D += Count;
            S += Avail;
        }
    }
    return int32_t(D - Dest);
}

// ---------------------------------------------------------------------------------------
// Targa packets

namespace {

// Count pixels of Bpp bytes, all equal to Pixel.
inline void FillPixels(uint8_t* D, const uint8_t* Pixel, uint32_t Bpp, uint32_t Bytes)
{
    if (Bpp == 1) {
        std::memset(D, Pixel[0], Bytes);
        return;
    }
    for (; Bytes >= Bpp; Bytes -= Bpp, D += Bpp)
        std::memcpy(D, Pixel, Bpp);
    std::memcpy(D, Pixel, Bytes);
}

}   // namespace

uint32_t DecodeRLE(const uint8_t* Source, uint32_t SourceSize, uint8_t* Dest, uint32_t Count,
                   uint32_t ColorDepth, uint32_t* Produced, TTargaPacket* Carry)
{
    uint32_t Bpp;
    switch (ColorDepth) {
    case 8: Bpp = 1; break;
    case 15:
    case 16: Bpp = 2; break;
    case 24: Bpp = 3; break;
    case 32: Bpp = 4; break;
    default:
        if (Produced)
            *Produced = 0;
        return 0;
    }
    uint32_t Pos = 0, Out = 0;
    // The rest of the packet the last call cut off.
    if (Carry && Carry->Left > 0) {
        const uint32_t N = std::min(Carry->Left, (Count - Out) / Bpp);
        if (Carry->Run) {
            FillPixels(Dest, Carry->Pixel, Bpp, N * Bpp);
            Out = N * Bpp;
        } else {
            const uint32_t Bytes = std::min(N * Bpp, SourceSize / Bpp * Bpp);
            std::memcpy(Dest, Source, Bytes);
            Out = Pos = Bytes;
        }
        Carry->Left -= Out / Bpp;
        if (Carry->Left > 0 && Out < Count) {
            // The data ended inside the packet.
            Carry->Left = 0;
            if (Produced)
                *Produced = Out;
            return Pos;
        }
    }
    while (Out < Count && Pos < SourceSize) {
        const uint8_t Header = Source[Pos++];
        const uint32_t N = (Header & 127u) + 1;
        if (Header > 127) {
            if (SourceSize - Pos < Bpp)
                break;
            const uint8_t* Pixel = Source + Pos;
            Pos += Bpp;
            const uint32_t Bytes = std::min(N * Bpp, Count - Out);
            FillPixels(Dest + Out, Pixel, Bpp, Bytes);
            Out += Bytes;
            if (Carry && Bytes < N * Bpp) {
                Carry->Left = N - Bytes / Bpp;
                Carry->Run = true;
                std::memcpy(Carry->Pixel, Pixel, Bpp);
            }
        } else {
            const uint32_t Avail = std::min(N * Bpp, SourceSize - Pos);
            const uint32_t Bytes = std::min(Avail, Count - Out);
            CopyLiteral(Dest + Out, Dest + Count, Source + Pos, Source + SourceSize, Bytes);
            Out += Bytes;
            if (Carry && Bytes < Avail) {
                // Cut by the end of Count: the rest stays in the source for the next call.
                Carry->Left = N - Bytes / Bpp;
                Carry->Run = false;
                Pos += Bytes;
            } else {
                Pos += Avail;
            }
        }
    }
    if (Produced)
        *Produced = Out;
    return Pos;
}

int32_t EncodeRLE(const uint8_t* Source, uint8_t* Dest, int32_t Count, int32_t BytesPerPixel)
{
    if (Count <= 0 || BytesPerPixel < 1 || BytesPerPixel > 4)
        return 0;
    const size_t Bpp = size_t(BytesPerPixel);
    const auto Same = [&](int32_t a, int32_t b) {
        return std::memcmp(Source + size_t(a) * Bpp, Source + size_t(b) * Bpp, Bpp) == 0;
    };
    uint8_t* D = Dest;
    int32_t I = 0;
    while (I < Count) {
        const int32_t Left = Count - I;
        // Pixels that differ from their right neighbour go out as one raw packet.
        int32_t Differ = 0;
        if (Left == 1) {
            Differ = 1;
        } else {
            while (Differ < Left - 1 && Differ < 128 && !Same(I + Differ, I + Differ + 1))
                ++Differ;
        }
        if (Differ > 0) {
            *D++ = uint8_t(Differ - 1);
            std::memcpy(D, Source + size_t(I) * Bpp, size_t(Differ) * Bpp);
            D += size_t(Differ) * Bpp;
            I += Differ;
        }
        if (I >= Count)
            break;
        int32_t Run = 1;
        while (I + Run < Count && Run < 128 && Same(I, I + Run))
            ++Run;
        if (Run > 1) {
            *D++ = uint8_t((Run - 1) | 128);
            std::memcpy(D, Source + size_t(I) * Bpp, Bpp);
            D += Bpp;
            I += Run;
        }
    }
    return int32_t(D - Dest);
}
