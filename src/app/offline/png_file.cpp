#include "app/offline/png_file.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

void PutBigEndian(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

// Appends a chunk whose data is already in place after a gap of 8 bytes
// (length and type) at `start`, then its CRC.
void CloseChunk(std::vector<uint8_t>& file, size_t start, const char type[4]) {
    const size_t length = file.size() - start - 8;
    PutBigEndian(&file[start], static_cast<uint32_t>(length));
    memcpy(&file[start + 4], type, 4);
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, &file[start + 4], static_cast<uInt>(length + 4)));
    uint8_t tail[4];
    PutBigEndian(tail, crc);
    file.insert(file.end(), tail, tail + 4);
}

}  // namespace

PngEncoder::PngEncoder() : compressor_(libdeflate_alloc_compressor(1)) {
    if (!compressor_) throw std::bad_alloc();
}

PngEncoder::~PngEncoder() { libdeflate_free_compressor(compressor_); }

const std::vector<uint8_t>& PngEncoder::Encode(const uint8_t* bgra, int width, int height) {
    const size_t row_in = static_cast<size_t>(width) * 4;
    const size_t row_out = static_cast<size_t>(width) * 3 + 1;
    filtered_.resize(row_out * height);
    // Top row first: GL's last row. "Up" filter: each byte minus the byte
    // above it (zero above the top row), computed from the source pixels.
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = bgra + static_cast<size_t>(height - 1 - y) * row_in;
        const uint8_t* above = y > 0 ? src + row_in : nullptr;
        uint8_t* out = &filtered_[y * row_out];
        *out++ = 2;
        if (above) {
            for (int x = 0; x < width; ++x, src += 4, above += 4, out += 3) {
                out[0] = static_cast<uint8_t>(src[2] - above[2]);
                out[1] = static_cast<uint8_t>(src[1] - above[1]);
                out[2] = static_cast<uint8_t>(src[0] - above[0]);
            }
        } else {
            for (int x = 0; x < width; ++x, src += 4, out += 3) {
                out[0] = src[2];
                out[1] = src[1];
                out[2] = src[0];
            }
        }
    }

    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const size_t bound = libdeflate_zlib_compress_bound(compressor_, filtered_.size());
    file_.reserve(8 + 25 + 12 + bound + 12);
    file_.assign(kSignature, kSignature + 8);

    size_t start = file_.size();
    uint8_t header[8 + 13] = {};
    PutBigEndian(header + 8, static_cast<uint32_t>(width));
    PutBigEndian(header + 12, static_cast<uint32_t>(height));
    header[16] = 8;  // bits per sample
    header[17] = 2;  // colour type: RGB
    // Compression, filter method and interlacing: all 0.
    file_.insert(file_.end(), header, header + sizeof header);
    CloseChunk(file_, start, "IHDR");

    start = file_.size();
    file_.resize(start + 8 + bound);
    const size_t packed = libdeflate_zlib_compress(compressor_, filtered_.data(), filtered_.size(),
                                                   &file_[start + 8], bound);
    file_.resize(start + 8 + packed);
    CloseChunk(file_, start, "IDAT");

    start = file_.size();
    file_.resize(start + 8);
    CloseChunk(file_, start, "IEND");
    return file_;
}

bool PngEncoder::Write(const std::string& path, const uint8_t* bgra, int width, int height,
                       std::string& error) {
    const std::vector<uint8_t>& bytes = Encode(bgra, width, height);
    // Written under another name and renamed when whole: a file cut short
    // (a full disk) never stands under the frame's name.
    const std::string partial = path + ".part";
    FILE* file = fopen(partial.c_str(), "wb");
    if (!file) {
        error = strerror(errno);
        return false;
    }
    int failure = 0;
    errno = 0;
    if (fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) failure = errno ? errno : EIO;
    if (fclose(file) != 0 && failure == 0) failure = errno;
    if (failure == 0 && rename(partial.c_str(), path.c_str()) != 0) failure = errno;
    if (failure != 0) {
        remove(partial.c_str());
        error = strerror(failure);
        return false;
    }
    return true;
}
