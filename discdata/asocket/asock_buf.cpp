#include "discdata/asocket/asock_buf.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(int size)
{
    SetBufSize(size);
}

TBuffer::~TBuffer()
{
    delete[] m_buf;
}

void TBuffer::SetBufSize(int size)
{
    if (size <= 0)
        size = 1514;
    if (size == m_bufSize)
        return;
    // The queue never shrinks a chunk below what it holds; keep what fits all the same.
    const int keep = std::min(m_wrCount, size);
    auto* block = new uint8_t[size];
    if (keep > 0)
        std::memcpy(block, m_buf, keep);
    delete[] m_buf;
    m_buf = block;
    m_bufSize = size;
    m_wrCount = keep;
    m_rdCount = std::min(m_rdCount, keep);
}

int TBuffer::Write(const void* data, int len)
{
    const int n = std::max(0, std::min(m_bufSize - m_wrCount, len));
    if (n > 0) {
        std::memcpy(m_buf + m_wrCount, data, n);
        m_wrCount += n;
    }
    return n;
}

int TBuffer::Read(void* buffer, int len)
{
    const int n = std::max(0, std::min(m_wrCount - m_rdCount, len));
    if (n > 0) {
        std::memcpy(buffer, m_buf + m_rdCount, n);
        m_rdCount += n;
    }
    if (m_rdCount == m_wrCount)
        m_rdCount = m_wrCount = 0;
    return n;
}

const uint8_t* TBuffer::Peek(int& len) const
{
    len = m_wrCount - m_rdCount;
    return len > 0 ? m_buf + m_rdCount : nullptr;
}

int TBuffer::Remove(int len)
{
    const int n = std::max(0, std::min(m_wrCount - m_rdCount, len));
    m_rdCount += n;
    if (m_rdCount == m_wrCount)
        m_rdCount = m_wrCount = 0;
    return n;
}
