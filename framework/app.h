#pragma once
// The application object: one instance at a time, a start-up hook and the message loop.
#include <windows.h>

#include <string>

namespace fw {

// A satellite holds strings and a few dialogs: some hundred kilobytes. A larger file is not used.
constexpr size_t kMaxSatelliteBytes = 16u << 20;

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // The application object living now, or null.
    static App* Current();

    // Start-up hook. The base takes resources from the satellite library for the user's
    // language when one lies beside the executable; overrides call it first. FALSE ends the
    // program without running the message loop.
    virtual BOOL InitInstance();

private:
    static App* current_;
};

// The program's entry: sets the process error mode, runs the application object's start-up
// and then the message loop. Gives the exit code of the quit message, or 0 when start-up
// refused to run.
int RunApplication();

// The message loop: dispatches until the quit message and gives its exit code. Keyboard
// messages for a visible modeless dialog go through IsDialogMessage first, so Tab, Enter and
// Escape work there.
int RunMessageLoop();

// One message of the loop: the dialog navigation, else translate and dispatch.
void ProcessMessage(MSG& message);

// Satellite resource library: "<folder><exe name without extension><abbreviation>.dll".
std::wstring SatelliteLibraryPath(const std::wstring& executablePath, const std::wstring& languageAbbreviation);

// Three-letter abbreviation of the user's UI language ("ENU", "DEU"), empty when unknown.
std::wstring UserLanguageAbbreviation();

// Reads the satellite library of the executable for the user's language into memory, once and
// bounded, and takes resources from those bytes from now on; never loaded or copied. Gives
// whether it is used: one that is not a resource-only library of the expected shape, or does not
// read, is not (the texts stay English).
bool LoadSatelliteResources();
// What became of the satellite, a line for the log (the application object comes before the
// log): its path and size, or why it is not used. Empty when there is none.
const std::wstring& SatelliteNote();

}  // namespace fw
