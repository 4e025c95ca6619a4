#include "imageformats/picture_compression.h"

#include "imageformats/picture_error.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------------
// LZW, shared part

void TLZWDecoderBase::ResetTable()
{
    for (uint32_t i = 0; i < TableSize; ++i) {
        FPrefix[i] = NoCode;
        FSuffix[i] = uint8_t(i < FClearCode ? i : 0);
        FLength[i] = i < FClearCode ? 1 : 0;
    }
    FOldCode = NoCode;
    FFirstChar = 0;
}

bool TLZWDecoderBase::HandleCode(uint32_t Code, uint8_t*& Target, uint8_t* TargetEnd,
                                 const char* Message, bool EarlyChange)
{
    if (Code > FFreeCode)
        RaisePictureError(Message);
    if (FOldCode == NoCode) {
        // The first code after a clear must be a single character.
        if (Code >= FClearCode)
            RaisePictureError(Message);
        FFirstChar = uint8_t(Code);
        *Target++ = FFirstChar;
        FOldCode = Code;
        return Target < TargetEnd;
    }

    // The string of Code, or for the code about to be made, the previous string plus its
    // own first character. Strings are written back to front, in place when they fit.
    const bool Pending = Code == FFreeCode;
    const uint32_t Base = Pending ? FOldCode : Code;
    const uint32_t Length = uint32_t(FLength[Base]) + (Pending ? 1 : 0);
    uint8_t Stack[TableSize + 2];
    const size_t Room = size_t(TargetEnd - Target);
    uint8_t* Out = Length <= Room ? Target : Stack;
    uint8_t* P = Out + Length - 1;
    if (Pending)
        --P;   // the last byte is filled once the first character is known
    uint32_t C = Base;
    while (C >= FClearCode) {
        *P-- = FSuffix[C];
        C = FPrefix[C];
    }
    *P = uint8_t(C);
    FFirstChar = uint8_t(C);
    if (Pending)
        Out[Length - 1] = FFirstChar;
    if (Out == Stack)
        std::memcpy(Target, Stack, std::min<size_t>(Length, Room));
    Target += std::min<size_t>(Length, Room);

    // A full table stops growing, so no entry can ever come to point to itself.
    if (FFreeCode < TableSize) {
        FPrefix[FFreeCode] = FOldCode;
        FSuffix[FFreeCode] = FFirstChar;
        FLength[FFreeCode] = uint16_t(FLength[FOldCode] + 1);
        if (EarlyChange) {
            ++FFreeCode;
            if (FFreeCode == FCodeMask && FCodeSize < 12) {
                ++FCodeSize;
                FCodeMask = (1u << FCodeSize) - 1;
            }
        } else {
            if (FFreeCode == FCodeMask && FCodeSize < 12) {
                ++FCodeSize;
                FCodeMask = (1u << FCodeSize) - 1;
            }
            ++FFreeCode;
        }
    }
    FOldCode = Code;
    return Target < TargetEnd;
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
    FFreeCode = 258;
    FCodeSize = 9;
    FCodeMask = 511;

    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* Target = Dest;
    uint8_t* TargetEnd = Dest + UnpackedSize;
    uint32_t Acc = 0, Bits = 0;
    while (S < SEnd) {
        Acc |= uint32_t(*S++) << (24 - Bits);
        Bits += 8;
        while (Bits >= FCodeSize) {
            const uint32_t Code = Acc >> (32 - FCodeSize);
            Acc <<= FCodeSize;
            Bits -= FCodeSize;
            if (Code == FEOICode)
                return int32_t(Target - Dest);
            if (Code == FClearCode) {
                FCodeSize = 9;
                FCodeMask = 511;
                FFreeCode = 258;
                FOldCode = NoCode;
                continue;
            }
            if (!HandleCode(Code, Target, TargetEnd, "TIF LZW: invalid opcode.", true))
                return int32_t(Target - Dest);
        }
    }
    return int32_t(Target - Dest);
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
    const auto Restart = [this] {
        FCodeSize = InitialCodeSize + 1u;
        FCodeMask = (1u << FCodeSize) - 1;
        FFreeCode = FClearCode + 2u;
        FOldCode = NoCode;
    };
    Restart();

    const uint8_t* S = Source;
    const uint8_t* SEnd = S + PackedSize;
    uint8_t* Target = Dest;
    uint8_t* TargetEnd = Dest + UnpackedSize;
    uint32_t Acc = 0, Bits = 0;
    while (S < SEnd) {
        Acc |= uint32_t(*S++) << Bits;
        Bits += 8;
        while (Bits >= FCodeSize) {
            const uint32_t Code = Acc & FCodeMask;
            Acc >>= FCodeSize;
            Bits -= FCodeSize;
            if (Code == FEOICode)
                return int32_t(Target - Dest);
            if (Code == FClearCode) {
                Restart();
                continue;
            }
            if (!HandleCode(Code, Target, TargetEnd, "GIF LZW: invalid opcode.", false))
                return int32_t(Target - Dest);
        }
    }
    return int32_t(Target - Dest);
}

// ---------------------------------------------------------------------------------------
// Run-length decoders

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
            std::memcpy(D, S, Count);
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
                std::memcpy(D, S, N);
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

uint32_t DecodeRLE(const uint8_t* Source, uint32_t SourceSize, uint8_t* Dest, uint32_t Count,
                   uint32_t ColorDepth, uint32_t* Produced)
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
    while (Out < Count && Pos < SourceSize) {
        const uint8_t Header = Source[Pos++];
        const uint32_t N = (Header & 127u) + 1;
        if (Header > 127) {
            if (SourceSize - Pos < Bpp)
                break;
            const uint8_t* Pixel = Source + Pos;
            Pos += Bpp;
            uint32_t Bytes = std::min(N * Bpp, Count - Out);
            uint8_t* D = Dest + Out;
            Out += Bytes;
            if (Bpp == 1) {
                std::memset(D, Pixel[0], Bytes);
            } else {
                for (; Bytes >= Bpp; Bytes -= Bpp, D += Bpp)
                    std::memcpy(D, Pixel, Bpp);
                std::memcpy(D, Pixel, Bytes);
            }
        } else {
            const uint32_t Avail = std::min(N * Bpp, SourceSize - Pos);
            const uint32_t Bytes = std::min(Avail, Count - Out);
            std::memcpy(Dest + Out, Source + Pos, Bytes);
            Out += Bytes;
            Pos += Avail;
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
