// The least a host can do: the loader's whole exchange on one thread with blocking reads and
// writes, no events, no other threads. The benchmarks and the stress run measure Kven next to
// it over the same kind of line, on the same load.
//
// It keeps the time-outs a job arms (2 s for a command reply, 1 s per packet, the erase time
// the loader announces or 8 s), so that a time-out on a loaded machine counts against it as
// it would against Kven. It checks lengths, acknowledgements and end codes, not the read-back.
//
// Threading: one object per line, used by one thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

class BlockingHost {
  public:
    enum class Result { Ok, Timeout, BadReply, NoDevice };

    // Opens `path` raw at `baud`; Run reports NoDevice if that failed.
    BlockingHost(const std::string& path, std::uint32_t baud);
    ~BlockingHost();
    BlockingHost(const BlockingHost&) = delete;
    BlockingHost& operator=(const BlockingHost&) = delete;

    // A Program job (erase, image, checksum table) or, with `program` false, an EEP Sum job.
    Result Run(std::span<const std::uint8_t> image, bool program);

  private:
    using Ms = std::chrono::milliseconds;
    bool Write(const std::uint8_t* data, std::size_t n);
    // Reads exactly `n` bytes unless `limit` passes first.
    bool Read(std::uint8_t* data, std::size_t n, Ms limit);
    Result Link(std::uint8_t key, int& packetSize, Ms& erase);
    Result Transfer(std::span<const std::uint8_t> data, int packetSize);

    int fd_ = -1;
};

const char* ResultName(BlockingHost::Result r);
