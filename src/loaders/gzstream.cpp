#include "loaders/gzstream.h"

namespace ember {

gzfilebuf::gzfilebuf() = default;

gzfilebuf::~gzfilebuf() {
    close();
    if (ownsBuffer_) delete[] buffer_;
    buffer_ = nullptr;
}

gzfilebuf* gzfilebuf::open(const char* path, std::ios_base::openmode mode) {
    if (file_ || !path) return nullptr;
    // Streams are only ever read; refuse writing modes instead of half-supporting them.
    if ((mode & std::ios_base::in) == 0 || (mode & std::ios_base::out) != 0) return nullptr;
    file_ = gzopen(path, "rb");
    if (!file_) return nullptr;
    if (!buffer_) buffer_ = new char[bufferSize_];
    ownsBuffer_ = true;
    mode_ = mode | std::ios_base::binary;
    setg(buffer_, buffer_, buffer_);
    setp(nullptr, nullptr);
    return this;
}

gzfilebuf* gzfilebuf::close() {
    if (!file_) return nullptr;
    sync();
    int rc = gzclose(file_);
    file_ = nullptr;
    mode_ = std::ios_base::openmode();
    setg(nullptr, nullptr, nullptr);
    setp(nullptr, nullptr);
    return rc == Z_OK ? this : nullptr;
}

gzfilebuf::int_type gzfilebuf::underflow() {
    if (gptr() && gptr() < egptr()) return traits_type::to_int_type(*gptr());
    if (!file_ || (mode_ & std::ios_base::in) == 0) return traits_type::eof();
    // A damaged file makes gzread return -1; treat it as the end of the data.
    int got = gzread(file_, buffer_, static_cast<unsigned>(bufferSize_));
    if (got <= 0) {
        setg(buffer_, buffer_, buffer_);
        return traits_type::eof();
    }
    setg(buffer_, buffer_, buffer_ + got);
    return traits_type::to_int_type(*gptr());
}

int gzfilebuf::error(const char** text) const {
    int code = Z_OK;
    const char* message = "";
    if (file_) message = gzerror(file_, &code);
    if (text) *text = message ? message : "";
    return code;
}

std::streamsize gzfilebuf::showmanyc() {
    if (!file_ || (mode_ & std::ios_base::in) == 0) return -1;
    return egptr() - gptr();
}

gzfilebuf::pos_type gzfilebuf::seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) {
    return pos_type(off_type(-1));
}

gzfilebuf::pos_type gzfilebuf::seekpos(pos_type, std::ios_base::openmode) {
    return pos_type(off_type(-1));
}

int gzfilebuf::sync() {
    // Nothing is ever written, so there is nothing to flush.
    return 0;
}

gzifstream::gzifstream() : std::istream(nullptr) {
    init(&buf_);
}

gzifstream::gzifstream(const char* path, std::ios_base::openmode mode) : std::istream(nullptr) {
    init(&buf_);
    open(path, mode);
}

gzifstream::~gzifstream() = default;

void gzifstream::open(const char* path, std::ios_base::openmode mode) {
    if (!buf_.open(path, mode | std::ios_base::in))
        setstate(std::ios_base::failbit);
    else
        clear();
}

void gzifstream::close() {
    if (!buf_.close()) setstate(std::ios_base::failbit);
}

}  // namespace ember
