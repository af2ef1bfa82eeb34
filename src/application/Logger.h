#pragma once
#include <cstdarg>
#include <fstream>
#include <string>

namespace ember {

// The process-wide log: one plain-text file ("log.txt"), indented one tab per
// open section, flushed after every line. Lines written while the file is not
// open are dropped silently; the log never reports its own failures.
// Main thread only: there is no lock.
class Logger {
public:
    // The one logger, created on first use.
    static Logger& instance();
    // Closes the file and destroys the logger; the next instance() makes a fresh one.
    static void destroy();

    // Opens (truncates) the log file. Returns false when it cannot be opened.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return file_.is_open(); }

    // One line at the current depth.
    void writeLine(const std::string& text);
    // printf-style; at most 2047 characters of the result are written.
    void writeFormatted(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void writeFormattedV(const char* format, va_list args);
    // "[" + name + "]" at the current depth, then one level deeper.
    void beginSection(const std::string& name);
    // One level up, then "[" + name + "]" at the new depth.
    void endSection(const std::string& name);
    // "file : function +line" at the current depth, then text one level deeper.
    void writeLocated(const char* file, const char* function, int line, const std::string& text);

    int depth() const { return depth_; }

    // Driver capability report for the current GL context (GLEW initialised):
    // sections "driver", "limits", "extensions" (ending with the version check
    // for glVersion: 0 = 3.3 ... 4 = 4.3, other values check nothing) and the
    // window system's list ("glx" or "egl"). Returns 0 on success, 1 when GLEW
    // does not report the requested OpenGL version. Leaves a pending GL error
    // on core contexts (the extension-string query), for the caller to discard.
    int checkExtensions(int glVersion);

private:
    Logger() = default;
    void emit(const std::string& text);

    int depth_ = 0;
    std::ofstream file_;
    static Logger* instance_;
};

} // namespace ember
