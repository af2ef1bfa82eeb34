#pragma once
#include <zlib.h>

#include <istream>
#include <streambuf>

namespace ember {

// Stream buffer over a zlib gzip file handle. zlib reads files that are not
// gzip-compressed transparently, so one buffer serves plain and compressed
// files alike. Reading only; positioning is not supported.
class gzfilebuf : public std::streambuf {
public:
    gzfilebuf();
    ~gzfilebuf() override;
    gzfilebuf(const gzfilebuf&) = delete;
    gzfilebuf& operator=(const gzfilebuf&) = delete;

    // Opens path for reading. Returns this, or null when a file is already
    // open, the mode asks for writing, or zlib cannot open the file.
    gzfilebuf* open(const char* path, std::ios_base::openmode mode = std::ios_base::in);
    // Closes the file. Returns this, or null when nothing was open or gzclose failed.
    gzfilebuf* close();
    bool is_open() const { return file_ != nullptr; }
    // zlib's error state of the open file (Z_OK when none, also when nothing
    // is open); text, when given, receives zlib's message. A damaged or
    // truncated compressed file reads as an early end, and only this tells
    // the two apart.
    int error(const char** text = nullptr) const;

    // Size of the read buffer; each refill asks zlib for at most this many bytes.
    static constexpr int BufferSize = 512;

protected:
    int_type underflow() override;
    std::streamsize showmanyc() override;
    // Positioning is not supported: both report failure (-1).
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
    int sync() override;

private:
    gzFile file_ = nullptr;
    std::ios_base::openmode mode_ = std::ios_base::openmode();
    bool ownsBuffer_ = true;
    char* buffer_ = nullptr;
    int bufferSize_ = BufferSize;
};

// Input stream owning a gzfilebuf. A path that cannot be opened leaves the
// stream in the fail state; callers test the state before reading.
class gzifstream : public std::istream {
public:
    gzifstream();
    explicit gzifstream(const char* path, std::ios_base::openmode mode = std::ios_base::in);
    ~gzifstream() override;

    // Opens path; sets the fail state when that fails.
    void open(const char* path, std::ios_base::openmode mode = std::ios_base::in);
    // Closes the file; sets the fail state when that fails.
    void close();
    bool is_open() const { return buf_.is_open(); }
    gzfilebuf* rdbuf() const { return const_cast<gzfilebuf*>(&buf_); }

private:
    gzfilebuf buf_;
};

}  // namespace ember
