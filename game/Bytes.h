// Bytes as every file and message of the game holds them: whole numbers
// little-endian whatever the machine's own order, text in fixed fields of
// NUL-padded bytes. A writer appends; a reader reads within the size it was
// given and fails, from then on, at the first read past the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// Writes the low `count` bytes of `value` at `bytes`, lowest first.
inline void PutLittle(uint8_t* bytes, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Reads `count` bytes at `bytes`, lowest first.
inline uint64_t GetLittle(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return value;
}

// The bits of a float, and back: how coordinates travel.
inline uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
inline float BitsFloat(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

class ByteWriter {
public:
    ByteWriter() = default;
    explicit ByteWriter(std::vector<uint8_t> start) : bytes_(std::move(start)) {}

    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { Put(v, 2); }
    void U24(uint32_t v) { Put(v, 3); }
    void U32(uint32_t v) { Put(v, 4); }
    void U64(uint64_t v) { Put(v, 8); }
    void Raw(const void* data, size_t size) {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    // `text` in a field of `size` bytes: cut to fit, NUL-padded (not terminated when full).
    void Text(const std::string& text, size_t size) {
        const size_t n = text.size() < size ? text.size() : size;
        Raw(text.data(), n);
        bytes_.resize(bytes_.size() + (size - n), 0);
    }
    // Zero bytes up to `size` in all.
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

class ByteReader {
public:
    ByteReader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool U8(uint8_t* v) { return Get(v, 1); }
    bool U16(uint16_t* v) { return Get(v, 2); }
    bool U24(uint32_t* v) { return Get(v, 3); }
    bool U32(uint32_t* v) { return Get(v, 4); }
    bool U64(uint64_t* v) { return Get(v, 8); }
    bool Raw(void* out, size_t size) {
        if (!Has(size)) return false;
        std::memcpy(out, p_, size);
        p_ += size;
        return true;
    }
    // A text field of `size` bytes, up to its first NUL.
    bool Text(std::string* text, size_t size) {
        if (!Has(size)) return false;
        const char* t = reinterpret_cast<const char*>(p_);
        text->assign(t, strnlen(t, size));
        p_ += size;
        return true;
    }
    bool Skip(size_t size) {
        if (!Has(size)) return false;
        p_ += size;
        return true;
    }
    // Where the next read starts (valid for Left() bytes).
    const uint8_t* Here() const { return p_; }
    size_t Left() const { return failed_ ? 0 : static_cast<size_t>(end_ - p_); }
    // Every read so far was within the bytes.
    bool Ok() const { return !failed_; }

private:
    bool Has(size_t size) {
        if (failed_ || static_cast<size_t>(end_ - p_) < size) {
            failed_ = true;
            return false;
        }
        return true;
    }
    template <typename T>
    bool Get(T* v, int n) {
        if (!Has(static_cast<size_t>(n))) return false;
        *v = static_cast<T>(GetLittle(p_, n));
        p_ += n;
        return true;
    }
    const uint8_t* p_;
    const uint8_t* end_;
    bool failed_ = false;
};
