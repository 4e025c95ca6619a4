#pragma once
// Unit ASockBuf: one fixed-size chunk of a socket's send queue.
#include <cstdint>

class TBuffer {
public:
    explicit TBuffer(int size);
    ~TBuffer();
    TBuffer(const TBuffer&) = delete;
    TBuffer& operator=(const TBuffer&) = delete;

    // A size of 0 or less means the default 1514 bytes; pending data is kept.
    void SetBufSize(int size);
    int BufSize() const { return m_bufSize; }
    // Copies what fits behind the written bytes; the count taken, 0 when full.
    int Write(const void* data, int len);
    // Copies up to len pending bytes out; the count read, 0 when empty.
    int Read(void* buffer, int len);
    // The pending bytes in place (nullptr and 0 when empty).
    const uint8_t* Peek(int& len) const;
    // Drops up to len pending bytes; the count dropped.
    int Remove(int len);
    int Pending() const { return m_wrCount - m_rdCount; }

private:
    uint8_t* m_buf = nullptr;
    int m_bufSize = 0;
    int m_wrCount = 0;
    int m_rdCount = 0;
};
