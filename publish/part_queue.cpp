#include "publish/part_queue.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "quality/utf8_path.h"

namespace vexla::publish {

namespace {

constexpr size_t kHeaderSize = 1 + 4 + 8 + 4;
// A record longer than this is damage, not a part.
constexpr uint32_t kLongestPayload = 16u << 20;
// Delivered records pile up while the broker is there; past this the file
// is written anew with only what waits.
constexpr uint64_t kRewriteBytes = 4u << 20;

void PutLittle(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint64_t Little(std::string_view bytes, size_t at, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

std::string Record(char type, uint64_t seq, std::string_view payload) {
    std::string out;
    out.reserve(kHeaderSize + payload.size());
    out += type;
    PutLittle(out, payload.size(), 4);
    PutLittle(out, seq, 8);
    const uint32_t crc = Crc32(payload, Crc32(out));
    PutLittle(out, crc, 4);
    out += payload;
    return out;
}

}  // namespace

uint32_t Crc32(std::string_view bytes, uint32_t crc) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (const char b : bytes) crc = table[(crc ^ static_cast<uint8_t>(b)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

Result<std::unique_ptr<PartQueue>> PartQueue::Open(const std::string& path, size_t bound) {
    std::unique_ptr<PartQueue> queue(new PartQueue(path, bound < 1 ? 1 : bound));
    std::string bytes;
    {
        std::ifstream in(quality::Utf8Path(path), std::ios::binary);
        std::ostringstream all;
        all << in.rdbuf();
        bytes = std::move(all).str();
    }
    size_t at = 0;
    bool delivered = false;
    while (bytes.size() - at >= kHeaderSize) {
        const char type = bytes[at];
        const auto length = static_cast<uint32_t>(Little(bytes, at + 1, 4));
        const uint64_t seq = Little(bytes, at + 5, 8);
        if ((type != 'P' && type != 'D') || length > kLongestPayload || bytes.size() - at - kHeaderSize < length) break;
        const std::string_view payload(bytes.data() + at + kHeaderSize, length);
        const uint32_t crc = Crc32(payload, Crc32(std::string_view(bytes.data() + at, 13)));
        if (crc != static_cast<uint32_t>(Little(bytes, at + 13, 4))) break;
        if (type == 'P') {
            queue->parts_.push_back({seq, std::string(payload)});
        } else {
            delivered = true;
            while (!queue->parts_.empty() && queue->parts_.front().seq <= seq) queue->parts_.pop_front();
        }
        queue->nextSeq_ = std::max(queue->nextSeq_, seq + 1);
        at += kHeaderSize + length;
    }
    queue->cutShort_ = at != bytes.size();
    // The oldest beyond a bound lowered since the file was written.
    while (queue->parts_.size() > queue->bound_) {
        queue->parts_.pop_front();
        ++queue->dropped_;
    }
    if (queue->cutShort_ || delivered || queue->dropped_ > 0 || bytes.empty()) {
        if (Status rewritten = queue->Rewrite(); !rewritten) return rewritten.Failure();
    } else {
        auto file = recorder::OutputFile::Append(path);
        if (!file) return file.Failure();
        queue->file_ = std::move(*file);
        queue->fileBytes_ = bytes.size();
    }
    return queue;
}

Status PartQueue::Add(std::string payload) {
    if (Full()) {
        // The newest is kept: the oldest goes, marked as if delivered.
        const uint64_t oldest = parts_.front().seq;
        parts_.pop_front();
        ++dropped_;
        if (Status marked = Append('D', oldest, {}); !marked) return marked;
    }
    const uint64_t seq = nextSeq_++;
    if (Status added = Append('P', seq, payload); !added) return added;
    if (Status synced = file_->Sync(); !synced) return synced;
    parts_.push_back({seq, std::move(payload)});
    return Done{};
}

Status PartQueue::PopDelivered() {
    if (parts_.empty()) return Done{};
    const uint64_t seq = parts_.front().seq;
    parts_.pop_front();
    // Not synced: a mark lost to a crash only sends the part once more,
    // with its identity and time, which a consumer can tell.
    if (fileBytes_ > kRewriteBytes || (parts_.empty() && fileBytes_ > kRewriteBytes / 64)) return Rewrite();
    return Append('D', seq, {});
}

Status PartQueue::Append(char type, uint64_t seq, std::string_view payload) {
    if (!file_) {  // a rewrite that failed left none
        auto file = recorder::OutputFile::Append(path_);
        if (!file) return file.Failure();
        file_ = std::move(*file);
    }
    const std::string record = Record(type, seq, payload);
    if (Status written = file_->Write(record); !written) return written;
    fileBytes_ += record.size();
    return Done{};
}

Status PartQueue::Rewrite() {
    file_.reset();
    std::string bytes;
    for (const Part& part : parts_) bytes += Record('P', part.seq, part.payload);
    // The numbering goes on from the last part even when none is left.
    if (parts_.empty() && nextSeq_ > 1) bytes += Record('D', nextSeq_ - 1, {});
    if (Status replaced = recorder::ReplaceWholeFile(path_, bytes); !replaced) return replaced;
    auto file = recorder::OutputFile::Append(path_);
    if (!file) return file.Failure();
    file_ = std::move(*file);
    fileBytes_ = bytes.size();
    return Done{};
}

}  // namespace vexla::publish
