#include "render/ImageFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

// The decoder sees only the three formats we read, never touches files itself, and allocates
// through us, so that a file that claims a small image cannot make it allocate a large one (a deflate
// stream expands as far as its data says, whatever the header declared).
namespace
{
thread_local size_t decoderAllocationLimit = 0;

// Zeroed, because the decoder reads some of what it allocates before writing it (a Huffman table
// that a scan names but the file never defined).
void* decoderMalloc(size_t size)
{
    return size <= decoderAllocationLimit ? std::calloc(1, size) : nullptr;
}

void* decoderRealloc(void* block, size_t size)
{
    return size <= decoderAllocationLimit ? std::realloc(block, size) : nullptr;
}
} // namespace

#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_TGA
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_MAX_DIMENSIONS 8192
#define STBI_MALLOC(size) decoderMalloc(size)
#define STBI_REALLOC(block, size) decoderRealloc(block, size)
#define STBI_FREE(block) std::free(block)
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace
{

// Bytes of one image file with a read position; reads past the end fail instead of wrapping.
class ByteReader
{
  public:
    ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool read(uint8_t* out, size_t count)
    {
        if (count > size - position)
            return false;
        std::copy(data + position, data + position + count, out);
        position += count;
        return true;
    }
    int get() { return position < size ? data[position++] : -1; }
    bool skip(size_t count)
    {
        if (count > size - position)
            return false;
        position += count;
        return true;
    }
    void stepBack(size_t count) { position -= std::min(count, position); }
    size_t remaining() const { return size - position; }

  private:
    const uint8_t* data;
    size_t size;
    size_t position = 0;
};

uint32_t bigEndian16(const uint8_t* p)
{
    return uint32_t(p[0]) << 8 | p[1];
}

uint32_t bigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

bool readPngSize(ByteReader in, uint32_t& width, uint32_t& height)
{
    uint8_t header[24];
    if (!in.read(header, sizeof(header)))
        return false;
    if (!std::equal(pngSignature, pngSignature + 8, header) || !std::equal(header + 12, header + 16, "IHDR"))
        return false;
    width = bigEndian32(header + 16);
    height = bigEndian32(header + 20);
    // The chunks after the header must lie inside the file, and the first image data chunk must
    // hold data: the decoder copies an empty one to a buffer it has not made yet.
    const uint32_t headerLength = bigEndian32(header + 8); // 8 of its bytes (the size) are read
    if (headerLength < 8 || !in.skip(size_t(headerLength) - 8 + 4))
        return false;
    bool imageData = false;
    while (in.remaining() > 0) {
        uint8_t chunk[8]; // length, type
        if (!in.read(chunk, 8))
            return false;
        const uint32_t length = bigEndian32(chunk);
        if (std::equal(chunk + 4, chunk + 8, "IEND"))
            return true;
        if (std::equal(chunk + 4, chunk + 8, "IDAT")) {
            if (!imageData && length == 0)
                return false;
            imageData = true;
        }
        if (length > in.remaining() || !in.skip(size_t(length)) || !in.skip(4))
            return false;
    }
    return true;
}

// A TGA header says how many bytes its pixels take at the least (every run-length packet of 128
// pixels costs one byte and one pixel), so a cut-off file is refused before the decoder makes up
// the missing pixels of a large image.
// The decoder picks its format from the contents and takes any number of 0xff fill bytes followed
// by the start-of-image marker for a JPEG.
bool startsLikeJpeg(ByteReader in)
{
    if (in.get() != 0xff)
        return false;
    int c = in.get();
    while (c == 0xff)
        c = in.get();
    return c == 0xd8;
}

bool readTgaSize(ByteReader in, uint32_t& width, uint32_t& height)
{
    // Data that another decoder would claim is not a TGA file, whatever its name says: it would
    // reach that decoder without the checks made for its own format.
    if (startsLikeJpeg(in))
        return false;
    uint8_t header[18];
    if (!in.read(header, sizeof(header)) || std::equal(pngSignature, pngSignature + 8, header))
        return false;
    width = uint32_t(header[12]) | uint32_t(header[13]) << 8;
    height = uint32_t(header[14]) | uint32_t(header[15]) << 8;
    const uint32_t idLength = header[0];
    const uint32_t paletteEntries = uint32_t(header[5]) | uint32_t(header[6]) << 8;
    const uint32_t paletteBits = header[7];
    const uint32_t imageType = header[2];
    const uint32_t pixelBytes = std::max(1u, uint32_t(header[16]) / 8);
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t prefix = idLength + (header[1] ? uint64_t(paletteEntries) * ((paletteBits + 7) / 8) : 0);
    const bool runLength = imageType >= 8;
    const uint64_t least = runLength ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
    return in.remaining() >= prefix + least;
}

// Walks the JPEG markers: the first start-of-frame carries the image size. The walk goes on over
// the whole file to count the scans, since every scan of a progressive file passes over the whole
// image: a small file with thousands of scans would keep the decoder busy for minutes.
constexpr int maxJpegScans = 100;

// Reads the Huffman tables of one DHT segment of `length` bytes. The decoder trusts the counts of
// code lengths: more than 256 codes in one table would make it write past the table.
bool validHuffmanTables(ByteReader& in, uint32_t length)
{
    while (length > 0) {
        uint8_t table[17]; // class and number, then the number of codes of each length 1..16
        if (length < 17 || !in.read(table, 17) || (table[0] >> 4) > 1 || (table[0] & 15) > 3)
            return false;
        uint32_t codes = 0;
        for (int i = 1; i <= 16; ++i)
            codes += table[i];
        if (codes > 256 || length < 17 + codes || !in.skip(codes))
            return false;
        length -= 17 + codes;
    }
    return true;
}

bool readJpegSize(ByteReader in, uint32_t& width, uint32_t& height)
{
    if (in.get() != 0xff || in.get() != 0xd8)
        return false;
    bool frameSeen = false;
    int scans = 0;
    for (;;) {
        int c = in.get();
        if (c != 0xff)
            return false;
        while (c == 0xff) // fill bytes may pad any marker
            c = in.get();
        if (c < 0)
            return false;
        const int marker = c;
        if (marker == 0x01 || (marker >= 0xd0 && marker <= 0xd7))
            continue;       // markers without a length field
        if (marker == 0xd9) // end of image
            return frameSeen;
        uint8_t lengthBytes[2];
        if (!in.read(lengthBytes, 2))
            return false;
        const uint32_t length = bigEndian16(lengthBytes);
        if (length < 2)
            return false;
        const bool startOfFrame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (startOfFrame && !frameSeen) {
            uint8_t frame[5]; // precision, height, width
            if (length < 7 || !in.read(frame, 5) || !in.skip(length - 7))
                return false;
            height = bigEndian16(frame + 1);
            width = bigEndian16(frame + 3);
            frameSeen = true;
            continue;
        }
        if (marker == 0xc4 ? !validHuffmanTables(in, length - 2) : !in.skip(length - 2))
            return false;
        if (marker != 0xda)
            continue;
        if (!frameSeen || ++scans > maxJpegScans)
            return false;
        // Entropy-coded data runs up to the next marker that is neither a stuffed zero nor a
        // restart; a file cut off in its last scan still shows what it has.
        for (;;) {
            int b = in.get();
            if (b < 0)
                return true;
            if (b != 0xff)
                continue;
            int next = in.get();
            while (next == 0xff)
                next = in.get();
            if (next < 0)
                return true;
            if (next != 0 && !(next >= 0xd0 && next <= 0xd7)) {
                in.stepBack(2); // onto the marker's last fill byte, for the loop above
                break;
            }
        }
    }
}

} // namespace
ImageFileType imageFileType(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    const size_t separator = fileName.find_last_of("/\\");
    if (dot == std::string::npos || (separator != std::string::npos && dot < separator))
        return ImageFileType::unknown;
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (extension == "png")
        return ImageFileType::png;
    if (extension == "jpg" || extension == "jpeg")
        return ImageFileType::jpeg;
    if (extension == "tga")
        return ImageFileType::tga;
    return ImageFileType::unknown;
}

namespace
{

bool declaredSize(const uint8_t* data, size_t size, ImageFileType type, uint32_t& width, uint32_t& height)
{
    const ByteReader in(data, size);
    switch (type) {
    case ImageFileType::png:
        return readPngSize(in, width, height);
    case ImageFileType::jpeg:
        return readJpegSize(in, width, height);
    case ImageFileType::tga:
        return readTgaSize(in, width, height);
    case ImageFileType::unknown:
        break;
    }
    return false;
}

// Sets the decoder's allocation limit for one image of the declared size: room for 16-bit RGBA
// with padding to whole JPEG blocks, twice over (an interlaced PNG's filtered rows exceed the
// decoder's first guess), and the file's own bytes.
class DecoderBudget
{
  public:
    DecoderBudget(uint32_t width, uint32_t height, size_t fileBytes)
    {
        decoderAllocationLimit =
            size_t(width + 16) * size_t(height + 16) * 16 + fileBytes + (size_t(1) << 20);
    }
    ~DecoderBudget() { decoderAllocationLimit = 0; }
    DecoderBudget(const DecoderBudget&) = delete;
    DecoderBudget& operator=(const DecoderBudget&) = delete;
};

bool checkedSize(const uint8_t* data, size_t size, ImageFileType type, int maxSide, uint32_t& width,
                 uint32_t& height)
{
    // The decoder takes its length as an int.
    if (size > maxImageFileBytes || maxSide <= 0 || !declaredSize(data, size, type, width, height))
        return false;
    return width > 0 && height > 0 && width <= uint32_t(maxSide) && height <= uint32_t(maxSide);
}

} // namespace

bool imageSizeAcceptable(const uint8_t* data, size_t size, ImageFileType type, int maxSide)
{
    uint32_t width = 0;
    uint32_t height = 0;
    return checkedSize(data, size, type, maxSide, width, height);
}

namespace
{

// Runs the stb decoder `decode` on a file that passed the size checks, under the memory budget its
// declared size allows; `keep(samples, width, height, channels)` copies what it decoded and says
// whether it is usable.
template <class Sample, class Decode, class Keep>
bool decodeChecked(const uint8_t* data, size_t size, ImageFileType type, int maxSide, Decode decode,
                   Keep keep)
{
    uint32_t declaredWidth = 0;
    uint32_t declaredHeight = 0;
    if (!checkedSize(data, size, type, maxSide, declaredWidth, declaredHeight))
        return false;
    const DecoderBudget budget(declaredWidth, declaredHeight, size);
    int width = 0;
    int height = 0;
    int channels = 0;
    Sample* samples = decode(data, int(size), &width, &height, &channels);
    if (!samples)
        return false;
    const bool sane = width > 0 && height > 0 && width <= maxSide && height <= maxSide &&
                      keep(samples, width, height, channels);
    stbi_image_free(samples);
    return sane;
}

} // namespace

bool decodeImage(const uint8_t* data, size_t size, ImageFileType type, int maxSide, DecodedImage& image)
{
    image = DecodedImage();
    return decodeChecked<stbi_uc>(
        data, size, type, maxSide,
        [](const stbi_uc* bytes, int length, int* width, int* height, int* channels) {
            return stbi_load_from_memory(bytes, length, width, height, channels, 0);
        },
        [&image](const stbi_uc* pixels, int width, int height, int channels) {
            if (channels < 1 || channels > 4)
                return false;
            image.width = width;
            image.height = height;
            image.channels = channels;
            image.pixels.assign(pixels, pixels + size_t(width) * size_t(height) * size_t(channels));
            return true;
        });
}

bool decodeGreyImage16(const uint8_t* data, size_t size, ImageFileType type, int maxSide, GreyImage16& image)
{
    image = GreyImage16();
    return decodeChecked<stbi_us>(
        data, size, type, maxSide,
        [](const stbi_uc* bytes, int length, int* width, int* height, int* channels) {
            return stbi_load_16_from_memory(bytes, length, width, height, channels, 1);
        },
        [&image](const stbi_us* samples, int width, int height, int) {
            image.width = width;
            image.height = height;
            image.samples.assign(samples, samples + size_t(width) * size_t(height));
            return true;
        });
}

bool readImageFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    bytes.clear();
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return false;
    const std::streamoff size = in.tellg();
    if (size < 0 || uint64_t(size) > maxImageFileBytes || !in.seekg(0))
        return false;
    bytes.resize(size_t(size));
    return size == 0 || bool(in.read(reinterpret_cast<char*>(bytes.data()), size));
}
