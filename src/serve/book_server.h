// book_server.h - serves the books of one midlets directory, read-only, over HTTP, for
// phones that install midlets from their browser.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorix::serve {

inline constexpr std::string_view kJadMime = "text/vnd.sun.j2me.app-descriptor";
inline constexpr std::string_view kJarMime = "application/java-archive";

struct TServeOptions {
    std::filesystem::path dir;
    std::string bind = "0.0.0.0";
    int port = 8080;  // 0: any free port
    // Connections in service at once, and accepted ones waiting for a worker; more wait
    // in the kernel's backlog.
    std::size_t workers = 8;
    std::size_t waiting = 64;
    // One line per answered request ("ADDRESS GET NAME 200"); called from worker threads.
    std::function<void(const std::string&)> log;
};

class TBookServer {
  public:
    // Opens the directory and listens; raises with a message for the user when either fails.
    explicit TBookServer(TServeOptions options);
    ~TBookServer();
    TBookServer(const TBookServer&) = delete;
    TBookServer& operator=(const TBookServer&) = delete;

    // Stops listening and waits for the requests in service. Safe to call twice.
    void Stop();

    int Port() const;
    // "/TOKEN/": the random path under which the books are listed.
    std::string BasePath() const;
    // The addresses to open on a phone: the bound one, or each LAN address when bound to
    // all of them (127.0.0.1 when the machine has none).
    std::vector<std::string> PhoneUrls() const;

  private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

// The path token: `length` characters that are easy to type on a phone keypad, from the
// kernel's random source.
std::string RandomToken(std::size_t length = 8);

}  // namespace quorix::serve
