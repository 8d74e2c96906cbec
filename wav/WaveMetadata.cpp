#include "WaveMetadata.h"

#include "ByteOrder.h"
#include "FileAccess.h"
#include "RegularFile.h"

#include <memory>

using namespace byte_order;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool ReadAt(std::FILE* file, std::uint64_t position, void* buffer, std::size_t length) {
    return file_access::SeekAbsolute(file, static_cast<std::int64_t>(position)) == 0 &&
           (length == 0 || std::fread(buffer, length, 1, file) == 1);
}

// A text field up to its first NUL.
std::string TextUpToNul(const std::uint8_t* bytes, std::size_t size) {
    std::size_t length = 0;
    while (length < size && bytes[length] != 0) {
        ++length;
    }
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

void ParseInfoList(const std::vector<std::uint8_t>& body, std::vector<InfoField>& fields) {
    std::size_t position = 4; // after the form type "INFO"
    while (position + 8 <= body.size()) {
        const FourCC id = GetFourCC(body.data() + position);
        const std::uint32_t size = GetLE32(body.data() + position + 4);
        position += 8;
        if (size > body.size() - position) {
            return; // a damaged field ends the list; the ones before it are kept
        }
        std::string text = TextUpToNul(body.data() + position, size);
        if (!text.empty()) {
            fields.push_back({id, std::move(text)});
        }
        position += size + (size & 1U);
    }
}

} // namespace

bool ReadWaveMetadata(const char* path, std::uint64_t audioBytes, WaveMetadata& found) {
    found = WaveMetadata();
    RegularFileProblem problem = RegularFileProblem::None;
    std::unique_ptr<std::FILE, FileCloser> file(
        OpenRegularFile(path, RegularFileMode::Read, problem));
    if (!file) {
        return false;
    }
    const std::int64_t length =
        std::fseek(file.get(), 0, SEEK_END) == 0 ? file_access::TellPosition(file.get()) : -1;
    std::uint8_t header[12];
    if (length < 12 || !ReadAt(file.get(), 0, header, sizeof header) ||
        GetFourCC(header + 8) != MakeFourCC("WAVE")) {
        return false;
    }
    const auto fileLength = static_cast<std::uint64_t>(length);
    // Every step moves forward by at least a chunk header, so the walk ends.
    for (std::uint64_t position = 12; position + 8 <= fileLength;) {
        std::uint8_t chunk[8];
        if (!ReadAt(file.get(), position, chunk, sizeof chunk)) {
            break;
        }
        const FourCC id = GetFourCC(chunk);
        std::uint64_t size = GetLE32(chunk + 4);
        const std::uint64_t body = position + 8;
        if (id == MakeFourCC("data")) {
            size = audioBytes;
        }
        if (size > fileLength - body) {
            break; // runs past the end: an unfinished recording's data, or damage
        }
        const bool wanted =
            id == MakeFourCC("bext") || id == MakeFourCC("iXML") || id == MakeFourCC("LIST");
        if (wanted && size <= kLargestMetadataChunk) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
            if (ReadAt(file.get(), body, bytes.data(), bytes.size())) {
                if (id == MakeFourCC("bext") && bytes.size() >= kBextFixedBytes &&
                    found.bext.empty()) {
                    found.bext = std::move(bytes);
                } else if (id == MakeFourCC("iXML") && found.ixml.empty()) {
                    found.ixml = std::move(bytes);
                } else if (id == MakeFourCC("LIST") && bytes.size() >= 4 &&
                           GetFourCC(bytes.data()) == MakeFourCC("INFO") && found.info.empty()) {
                    ParseInfoList(bytes, found.info);
                }
            }
        }
        position = body + size + (size & 1U);
    }
    return true;
}

void AppendChunk(std::vector<std::uint8_t>& out, const char* id, const std::uint8_t* body,
                 std::size_t size) {
    std::uint8_t header[8];
    PutFourCC(header, MakeFourCC(id));
    PutLE32(header + 4, static_cast<std::uint32_t>(size));
    out.insert(out.end(), header, header + sizeof header);
    out.insert(out.end(), body, body + size);
    if (size & 1U) {
        out.push_back(0);
    }
}

void AppendInfoList(std::vector<std::uint8_t>& out, const std::vector<InfoField>& fields) {
    std::vector<std::uint8_t> body;
    body.resize(4);
    PutFourCC(body.data(), MakeFourCC("INFO"));
    bool any = false;
    for (const InfoField& field : fields) {
        if (field.text.empty()) {
            continue;
        }
        std::string text = field.text;
        text.push_back('\0');
        std::uint8_t id[4];
        PutFourCC(id, field.id);
        AppendChunk(body, reinterpret_cast<const char*>(id),
                    reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        any = true;
    }
    if (any) {
        AppendChunk(out, "LIST", body.data(), body.size());
    }
}

void AppendUtf8CharacterSet(std::vector<std::uint8_t>& out) {
    // Code page, country, language, dialect: UTF-8 and none of the others.
    std::uint8_t body[8] = {};
    PutLE16(body, 65001);
    AppendChunk(out, "CSET", body, sizeof body);
}

std::vector<std::uint8_t> AdvancedBext(const std::vector<std::uint8_t>& recording,
                                       std::uint64_t framesLater, const std::string& historyLine) {
    std::vector<std::uint8_t> bext(recording.begin(), recording.begin() + kBextFixedBytes);
    std::uint8_t* reference = bext.data() + kBextTimeReferenceOffset;
    PutLE64(reference, GetLE64(reference) + framesLater);
    // The history ends at its first NUL; the padding some writers leave is dropped.
    std::string history =
        TextUpToNul(recording.data() + kBextFixedBytes, recording.size() - kBextFixedBytes);
    // Each step is a line of its own, also after a history whose last line is open.
    if (!history.empty() && history.back() != '\n') {
        history += "\r\n";
    }
    bext.insert(bext.end(), history.begin(), history.end());
    bext.insert(bext.end(), historyLine.begin(), historyLine.end());
    return bext;
}
