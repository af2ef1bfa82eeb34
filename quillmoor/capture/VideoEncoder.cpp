#include "capture/VideoEncoder.h"

#include <sndfile.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "sound/audio/AudioFormat.h"

namespace qm {

namespace {

// ffmpeg's own messages, the last few lines, for the error text.
std::string tailOf(const std::string& path) {
    std::ifstream in(path);
    std::string line, tail;
    std::vector<std::string> lines;
    while (std::getline(in, line)) lines.push_back(line);
    for (size_t i = lines.size() > 4 ? lines.size() - 4 : 0; i < lines.size(); ++i) tail += "\n  " + lines[i];
    return tail;
}

}  // namespace

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string VideoEncoder::findFfmpeg() {
    const char* path = std::getenv("PATH");
    if (!path) return std::string();
    std::stringstream dirs(path);
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        std::string candidate = dir + "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::string();
}

VideoEncoder::~VideoEncoder() {
    if (pipe_) abort();
}

bool VideoEncoder::open(const std::string& path, int32_t width, int32_t height, int32_t fps,
                        std::string* error) {
    ffmpeg_ = findFfmpeg();
    if (ffmpeg_.empty()) {
        *error = "ffmpeg not found on PATH (needed for video output)";
        return false;
    }
    path_ = path;
    videoPath_ = path + ".video.mp4";
    audioPath_ = path + ".audio.wav";
    logPath_ = path + ".ffmpeg.log";
    frameBytes_ = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    std::string command = shellQuote(ffmpeg_) + " -nostdin -hide_banner -loglevel error -y -f rawvideo" +
                          " -pix_fmt rgb24 -s " + std::to_string(width) + "x" + std::to_string(height) +
                          " -framerate " + std::to_string(fps) + " -i - -c:v libx264 -preset medium -crf 18" +
                          " -pix_fmt yuv420p -r " + std::to_string(fps) + " " + shellQuote(videoPath_) +
                          " 2>" + shellQuote(logPath_);
    pipe_ = popen(command.c_str(), "w");
    if (!pipe_) {
        *error = "cannot start ffmpeg";
        return false;
    }
    return true;
}

bool VideoEncoder::writeFrame(const std::vector<uint8_t>& rgb, std::string* error) {
    if (!pipe_ || rgb.size() != frameBytes_) {
        *error = "video encoder is not open for this frame size";
        return false;
    }
    if (std::fwrite(rgb.data(), 1, rgb.size(), pipe_) != rgb.size()) {
        *error = "ffmpeg stopped taking frames:" + tailOf(logPath_);
        return false;
    }
    return true;
}

bool VideoEncoder::closePipe() {
    if (!pipe_) return false;
    int status = pclose(pipe_);
    pipe_ = nullptr;
    return status == 0;
}

bool VideoEncoder::finish(const std::vector<int16_t>& pcm, std::string* error) {
    if (!closePipe()) {
        *error = "ffmpeg failed to encode the video:" + tailOf(logPath_);
        removeTemporaries();
        std::remove(path_.c_str());
        return false;
    }
    SF_INFO info = {};
    info.samplerate = static_cast<int>(ember::audio::kSampleRate);
    info.channels = static_cast<int>(ember::audio::kChannels);
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* wav = sf_open(audioPath_.c_str(), SFM_WRITE, &info);
    const sf_count_t frames = static_cast<sf_count_t>(pcm.size() / ember::audio::kChannels);
    bool written = wav && sf_writef_short(wav, pcm.data(), frames) == frames;
    if (wav) written = sf_close(wav) == 0 && written;
    if (!written) {
        *error = "cannot write the audio track " + audioPath_;
        removeTemporaries();
        return false;
    }
    std::string command = shellQuote(ffmpeg_) + " -nostdin -hide_banner -loglevel error -y -i " +
                          shellQuote(videoPath_) + " -i " + shellQuote(audioPath_) +
                          " -map 0:v:0 -map 1:a:0 -c:v copy -c:a aac -b:a 192k -movflags +faststart " +
                          shellQuote(path_) + " 2>" + shellQuote(logPath_);
    if (std::system(command.c_str()) != 0) {
        *error = "ffmpeg failed to mux video and audio:" + tailOf(logPath_);
        removeTemporaries();
        std::remove(path_.c_str());
        return false;
    }
    removeTemporaries();
    return true;
}

void VideoEncoder::abort() {
    closePipe();
    removeTemporaries();
    if (!path_.empty()) std::remove(path_.c_str());
}

void VideoEncoder::removeTemporaries() {
    for (const std::string* p : {&videoPath_, &audioPath_, &logPath_})
        if (!p->empty()) std::remove(p->c_str());
}

}  // namespace qm
