// ui-host: a host of the user interface that tests run as a process of its own, to see how such
// a process starts its application and how it ends.
//
//   ui-host restart       starts the application off-screen, shows a painted window, shuts the
//                         application down and starts it off-screen once more
//   ui-host no-shutdown   starts it, shows a painted window presenting a second screen, and
//                         returns from main without shutting the application down
//
// Like a host on a machine without a display, it runs with no window system named in its
// environment. It prints each step and exits with 0 when every step worked, 1 otherwise.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "Platform/Dispatch/MainRunLoop.h"
#include "Platform/UI/Label.h"
#include "Platform/UI/Qt/ApplicationHost.h"
#include "Platform/UI/Qt/WindowHost.h"
#include "Platform/UI/ViewController.h"
#include "Platform/UI/Window.h"

namespace {

using namespace quorvel::platform;
using namespace std::chrono_literals;

// A screen of the host's own, with a line of text on it.
class Screen : public ViewController {
public:
    static std::shared_ptr<Screen> make(std::string text) {
        return std::shared_ptr<Screen>(new Screen(std::move(text)));
    }
    void loadView() override {
        ViewController::loadView();
        view()->setBackgroundColor(Color::white());
        auto label = Label::make(Rect::make(20, 100, 350, 40));
        label->setText(text_);
        view()->addSubview(label);
    }

private:
    explicit Screen(std::string text) : text_(std::move(text)) {}
    std::string text_;
};

bool step(bool done, const char* what) {
    std::printf("%s: %s\n", what, done ? "yes" : "no");
    std::fflush(stdout);
    return done;
}

// Starts the application off-screen and shows a window with a screen presenting another one,
// painted once. The window and its host live as long as the caller keeps them.
bool showWindow(std::shared_ptr<Window>& window, std::shared_ptr<WindowHost>& host) {
    if (!step(ApplicationHost::start(ApplicationHost::Display::offscreen), "started")) return false;
    if (!step(ApplicationHost::isOffscreen(), "off-screen")) return false;
    window = Window::make();
    auto root = Screen::make("The host's screen");
    window->setRootViewController(root);
    host = WindowHost::make(window);
    if (!step(host != nullptr, "window host")) return false;
    window->makeKeyAndVisible();
    host->show();
    root->present(Screen::make("A presented screen"), false);
    const bool painted = MainRunLoop::runUntil([&] { return host->paintCount() > 0; }, 60s);
    return step(painted && root->view()->snapshot() != nullptr, "painted");
}

}  // namespace

int main(int argc, char** argv) {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) unsetenv(name);
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode != "restart" && mode != "no-shutdown") {
        std::fprintf(stderr, "usage: ui-host restart|no-shutdown\n");
        return 2;
    }

    std::shared_ptr<Window> window;
    std::shared_ptr<WindowHost> host;
    if (!showWindow(window, host)) return 1;
    if (mode == "no-shutdown") return 0;

    host.reset();
    window.reset();
    MainRunLoop::runUntilIdle();
    ApplicationHost::shutDown();
    step(!ApplicationHost::isStarted(), "shut down");
    if (!showWindow(window, host)) return 1;
    host.reset();
    window.reset();
    MainRunLoop::runUntilIdle();
    ApplicationHost::shutDown();
    return 0;
}
