#pragma once
// The parts not yet delivered to the broker, kept on the disk so that none
// is lost to a dead network, a killed program or a reboot: each part is
// appended and synced before Add() returns, and a delivery is marked after
// it. Reopened, the file gives back the undelivered parts in their order;
// a record cut short by a kill mid-write is dropped (that part's Add() had
// not returned, so nobody was told it was kept).
//
// Full (`bound` parts waiting), the queue drops its oldest part to keep
// the newest: the latest production is what the plant acts on, and an old
// part's record is still in the station's own CSV file. Dropped() counts
// them, and the programs say so.
//
// The file is a sequence of records:
//   type (1 byte: 'P' a part, 'D' every part up to seq delivered)
//   length of the payload (4 bytes, little-endian), seq (8 bytes),
//   CRC-32 of all the rest (4 bytes), payload

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "base/result.h"
#include "recorder/platform/output_file.h"

namespace vexla::publish {

class PartQueue {
  public:
    struct Part {
        uint64_t seq = 0;
        std::string payload;
    };

    // The queue in `path`, made when missing; its folder must exist.
    static Result<std::unique_ptr<PartQueue>> Open(const std::string& path, size_t bound);

    // On the disk when it returns Done.
    Status Add(std::string payload);
    // The front part is delivered (the broker acknowledged it).
    Status PopDelivered();

    const std::deque<Part>& Parts() const { return parts_; }
    size_t Size() const { return parts_.size(); }
    size_t Bound() const { return bound_; }
    bool Full() const { return parts_.size() >= bound_; }
    // Parts dropped to keep the newest since this queue was opened.
    uint64_t Dropped() const { return dropped_; }
    // The file ended in a record cut short when it was opened.
    bool CutShort() const { return cutShort_; }
    const std::string& Path() const { return path_; }

  private:
    PartQueue(std::string path, size_t bound) : path_(std::move(path)), bound_(bound) {}
    Status Append(char type, uint64_t seq, std::string_view payload);
    Status Rewrite();  // the file anew with only the waiting parts

    std::string path_;
    size_t bound_;
    std::unique_ptr<recorder::OutputFile> file_;
    std::deque<Part> parts_;
    uint64_t nextSeq_ = 1;
    uint64_t dropped_ = 0;
    uint64_t fileBytes_ = 0;
    bool cutShort_ = false;
};

// CRC-32 (IEEE 802.3, as zlib computes it).
uint32_t Crc32(std::string_view bytes, uint32_t crc = 0);

}  // namespace vexla::publish
