// serve_command.cpp - prints where the phone finds the books, as text and as a QR code,
// then one line per request until it is told to stop.
#include "cli/serve_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>

#include "base/stop_signals.h"
#include "serve/book_server.h"
#include "serve/book_shelf.h"
#include "serve/qr_code.h"

namespace quorix {

CLI::App* AddServeCommand(CLI::App& app, TServeCommand& command) {
    CLI::App* sub = app.add_subcommand(
        "serve",
        "Serve the books of DIR read-only over HTTP, so that a phone on the same network\n"
        "installs them from its browser (open the address shown; stop with Ctrl+C)");
    sub->add_option("DIR", command.dir, "The midlets directory")->capture_default_str();
    sub->add_option("--port", command.port, "TCP port; 0 takes any free one")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    sub->add_option("--bind", command.bind,
                    "Address to listen on; 0.0.0.0 listens on all of them")
        ->capture_default_str();
    return sub;
}

int RunServe(const TServeCommand& command) {
    InstallStopSignals();
    std::mutex outLock;
    serve::TServeOptions options;
    options.dir = command.dir;
    options.bind = command.bind;
    options.port = command.port;
    options.log = [&outLock](const std::string& line) {
        std::lock_guard lock(outLock);
        std::cout << line << std::endl;
        std::cout.clear();
    };
    serve::TBookServer server(options);
    const std::vector<std::string> urls = server.PhoneUrls();
    {
        std::lock_guard lock(outLock);
        std::cout << "Serving the books of " << command.dir.string() << "\n"
                  << "Open on the phone: " << urls.front() << "\n";
        for (std::size_t i = 1; i < urls.size(); ++i) std::cout << "  or: " << urls[i] << "\n";
        std::cout << serve::TQrCode(urls.front()).TerminalText(::isatty(STDOUT_FILENO) == 1)
                  << "Press Ctrl+C to stop." << std::endl;
    }
    while (StopSignal() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    server.Stop();
    std::lock_guard lock(outLock);
    std::cout << "Stopped." << std::endl;
    return EXIT_SUCCESS;
}

}  // namespace quorix
