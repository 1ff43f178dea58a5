// Little-endian bytes of the game's datagrams, both directions: a writer that
// appends whole numbers and raw bytes, and a reader that fails, rather than
// reads, past the end of what it was given. The two-machine game's datagrams
// (Datagrams) and the meeting server's (MeetWire) are made with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "input/LittleEndian.h"

class ByteWriter {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void U64(uint64_t v) { Put(v, 8); }
    void Bytes(const void* data, size_t size) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    // Zero bytes up to `size` (nothing when it is that large already).
    void PadTo(size_t size) {
        if (bytes_.size() < size) bytes_.resize(size, 0);
    }
    size_t Size() const { return bytes_.size(); }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    void Put(uint64_t v, int n) {
        uint8_t b[8];
        PutLittle(b, v, n);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    std::vector<uint8_t> bytes_;
};

// Reads within [data, data + size); every read past the end fails and moves nothing.
class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool U8(uint8_t* v) { return Get(v, 1); }
    bool U16(uint16_t* v) { return Get(v, 2); }
    bool U32(uint32_t* v) { return Get(v, 4); }
    bool U64(uint64_t* v) { return Get(v, 8); }
    bool Bytes(void* out, size_t size) {
        if (Left() < size) return false;
        std::memcpy(out, p_, size);
        p_ += size;
        return true;
    }
    size_t Left() const { return static_cast<size_t>(end_ - p_); }

private:
    template <typename T>
    bool Get(T* v, int n) {
        if (Left() < static_cast<size_t>(n)) return false;
        *v = static_cast<T>(GetLittle(p_, n));
        p_ += n;
        return true;
    }
    const uint8_t* p_;
    const uint8_t* end_;
};
