#pragma once

namespace quorvel::platform {

// The user interface's application: the window system connection that windows, painting, text,
// input, accessibility and the file dialog run on (a Qt application underneath). One per process,
// made and used on the main thread.
//
// Once started, the main run loop and the window system's event loop are one loop: the main run
// loop delivers window events in every turn, MainRunLoop::run() sleeps in the window system's
// wait, and work posted to the main queue from any thread wakes it (see MainRunLoop). A host
// therefore keeps driving MainRunLoop::run(); tests keep driving runUntilIdle() and runUntil().
//
// Starting also installs what the model layer asks of the window system: the painter behind
// View::snapshot(), the accessibility bridge with the "screen reader running" answer, and the
// photo library chooser behind ImagePickerController.
class ApplicationHost {
public:
    enum class Display {
        // A real window system when there is one (DISPLAY or WAYLAND_DISPLAY is set, or the host
        // chose a platform through QT_QPA_PLATFORM), else off-screen.
        automatic,
        // Off-screen whatever the environment: no window is shown, everything still renders.
        offscreen,
    };

    ApplicationHost() = delete;

    // Makes the application exist and installs the hooks; a second call does nothing more. An
    // application the host made itself (a QApplication) is adopted instead of making one. False
    // when no application can run here (the host made a non-GUI one, or no window system plugin
    // loads); the failure is logged.
    static bool start(Display display = Display::automatic);
    static bool isStarted();
    // Whether windows are off-screen (nothing is shown).
    static bool isOffscreen();

    // Removes the hooks and, when start() made the application, destroys it. Windows must be gone
    // by then. After it, start() may make a new application. A host that exits without calling
    // it still ends cleanly: the application is then left to the process's end, not destroyed.
    static void shutDown();
};

}  // namespace quorvel::platform
