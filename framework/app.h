#pragma once
// The application object: one global instance, a start-up hook and the message loop.
#include <windows.h>

#include <string>

namespace fw {

class App {
public:
    App();
    virtual ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // The one application object of the process, or null before it is constructed.
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

// Loads the satellite library of the executable for the user's language as a resource-only
// image (never run) and makes it the resource module. Gives whether one was loaded. It is read
// from the medium and loaded from a copy in the temporary folder, which goes with the
// application object.
bool LoadSatelliteResources();

}  // namespace fw
