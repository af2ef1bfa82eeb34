#pragma once
#include <cstdint>
#include <string>

#include "application/ApplicationAdapter.h"
#include "core/Object.h"

class TiXmlElement;

namespace ember {

class Device;
class LoadingScreen;
class Song;
class SoundDevice;

// The demo runtime: loads the content behind a loading screen, plays the song
// and, once per frame, turns the song position into beats and lets the parts
// whose interval holds that beat update and render. The song is the clock;
// the frame timer only measures how long the last frame took.
class DemoApplication : public ApplicationAdapter {
public:
    DemoApplication();
    // Releases loading screen, device, song and sound device in that order.
    ~DemoApplication() override;

    // Loading screen, device, audio output, manifest, procedural content, parts,
    // then the song starts. False (logged) on any failure; onTerminate then
    // releases whatever exists.
    bool onInitiate() override;
    // Terminates the parts, clears the registries, releases song, sound
    // device, device and loading screen.
    void onTerminate() override;
    // One frame at the song's current beat; asks to quit once no part is active.
    void onFrame() override;
    // Escape (27) on release quits; every other key is ignored.
    void onKeyUp(int key, int repeat) override;
    void onResize(int width, int height) override;

    // Called after the manifest has loaded; the concrete demo adds its
    // procedural content here. False stops the start.
    virtual bool onContentLoaded();
    // Adds the demo's parts to the timeline. False stops the start.
    virtual bool registerParts() = 0;

    // Reads the content manifest, creating and registering everything it
    // names. False after the logged reason; what was registered before the
    // failure stays registered until termination.
    bool loadContentFromXML(const std::string& path);

    // The beat the song clock shows now (position − output latency).
    float currentBeat() const;
    Device* renderDevice() const { return device.get(); }
    Song* demoSong() const { return song.get(); }
    SoundDevice* demoSoundDevice() const { return soundDevice.get(); }
    double lastFrameTime() const { return frameTime; }
    float songStartBeat() const { return songStart; }
    float songStopBeat() const { return songStop; }
    bool songLooping() const { return looping; }
    float requestedAnisotropy() const { return anisotropy; }
    float driverMaxAnisotropy() const { return maxAnisotropy; }

protected:
    // Opens the audio output; when none can be opened, logs why and opens a
    // silent one paced in real time. A capture run overrides this with an
    // offline output.
    virtual bool initiateSoundOutput();
    // The pause between two loading-screen fade frames, in milliseconds.
    virtual uint32_t fadePauseMilliseconds() const { return 25; }
    // Seconds since the previous frame, read once per frame: the performance
    // counter. A capture run, whose song clock runs apart from the wall clock,
    // measures on the song instead, so time-stepped effects see song time.
    virtual double measureFrameTime();

    Ref<SoundDevice> soundDevice;
    Ref<Song> song;
    float songStart = 0;
    float songStop = 0;
    bool looping = false;
    Ref<Device> device;
    int64_t lastCounter = 0;
    int64_t counterFrequency = 0;
    double frameTime = 0;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    float anisotropy = 0;
    float maxAnisotropy = 0;
    Ref<LoadingScreen> loadingScreen;

private:
    // The four manifest sections after "song".
    bool loadSong(TiXmlElement* demo);
    bool loadFramebuffers(TiXmlElement* element);
    bool loadShaders(TiXmlElement* element);
    bool loadTextures(TiXmlElement* element);
    bool loadModels(TiXmlElement* element);
    // Draws the loading screen at alpha 1 with the progress and presents it.
    void showProgress(float progress);
    // Fades the loading screen from alpha 0 to 1 (in) or 1 to 0 (out).
    void fadeLoadingScreen(bool in);
    // Keeps the demo thread responsive without starving the driver's and the
    // audio layer's threads.
    void configureThread();
};

} // namespace ember
