#include "application/Logger.h"

#include <cstdio>

namespace ember {

Logger* Logger::instance_ = nullptr;

Logger& Logger::instance() {
    if (!instance_) instance_ = new Logger();
    return *instance_;
}

void Logger::destroy() {
    if (!instance_) return;
    instance_->close();
    delete instance_;
    instance_ = nullptr;
}

bool Logger::open(const std::string& path) {
    close();
    file_.open(path, std::ios::out | std::ios::trunc);
    return file_.is_open();
}

void Logger::close() {
    if (file_.is_open()) file_.close();
}

void Logger::emit(const std::string& text) {
    if (!file_.is_open()) return;
    for (int i = 0; i < depth_; ++i) file_.put('\t');
    file_ << text << '\n';
    file_.flush();
}

void Logger::writeLine(const std::string& text) { emit(text); }

void Logger::writeFormattedV(const char* format, va_list args) {
    char buffer[2048];
    int n = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (n < 0) buffer[0] = '\0';
    emit(buffer);
}

void Logger::writeFormatted(const char* format, ...) {
    va_list args;
    va_start(args, format);
    writeFormattedV(format, args);
    va_end(args);
}

void Logger::beginSection(const std::string& name) {
    emit("[" + name + "]");
    ++depth_;
}

void Logger::endSection(const std::string& name) {
    --depth_;
    emit("[" + name + "]");
}

void Logger::writeLocated(const char* file, const char* function, int line, const std::string& text) {
    emit(std::string(file) + " : " + function + " +" + std::to_string(line));
    ++depth_;
    emit(text);
    --depth_;
}

} // namespace ember
