// book_server.cpp - every request is answered from the one directory descriptor opened at
// start: names are looked up with openat and never followed through a link, so no request
// reaches a file outside the directory, whatever it spells.
#include "serve/book_server.h"

#include <fcntl.h>
#include <httplib.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "serve/book_shelf.h"
#include "serve/index_page.h"
#include "serve/net_address.h"

namespace quorix::serve {
namespace {

// Keeps at most `waiting` accepted connections queued: the accepting thread waits for room,
// so a flood of connections stays in the kernel's backlog instead of using up descriptors.
class TBoundedPool : public httplib::TaskQueue {
  public:
    TBoundedPool(std::size_t workers, std::size_t waiting) : waiting_(waiting) {
        for (std::size_t i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
    }

    void enqueue(std::function<void()> fn) override {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return jobs_.size() < waiting_ || closing_; });
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
    }

    // Runs what is queued, then ends the workers.
    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            closing_ = true;
        }
        ready_.notify_all();
        room_.notify_all();
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
    }

  private:
    void Work() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return !jobs_.empty() || closing_; });
                if (jobs_.empty()) return;
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            room_.notify_one();
            job();
        }
    }

    const std::size_t waiting_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool closing_ = false;
};

// A connection's socket that lets the request head in up to a fixed number of bytes: the
// library would take header lines without end, so a peer could fill the memory. Every
// connection carries one request, so the budget bounds each request. A request that trickles
// in is cut off at a deadline, so that a few slow peers cannot hold every worker.
class TLimitedStream : public httplib::Stream {
  public:
    TLimitedStream(int sock, int timeoutMs, std::size_t budget)
        : sock_(sock),
          timeoutMs_(timeoutMs),
          budget_(budget),
          readDeadline_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs)) {}

    bool is_readable() const override { return Wait(POLLIN, ReadTimeMs()); }
    bool is_writable() const override { return Wait(POLLOUT, timeoutMs_); }

    ssize_t read(char* ptr, std::size_t size) override {
        if (budget_ == 0 || !Wait(POLLIN, ReadTimeMs())) return -1;
        const ssize_t n = ::recv(sock_, ptr, std::min(size, budget_), 0);
        if (n > 0) budget_ -= static_cast<std::size_t>(n);
        return n;
    }

    ssize_t write(const char* ptr, std::size_t size) override {
        if (!Wait(POLLOUT, timeoutMs_)) return -1;
        return ::send(sock_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        Address(::getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        Address(::getsockname, ip, port);
    }
    socket_t socket() const override { return sock_; }

  private:
    int ReadTimeMs() const {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            readDeadline_ - std::chrono::steady_clock::now());
        return static_cast<int>(std::max<std::int64_t>(0, left.count()));
    }

    bool Wait(short events, int timeoutMs) const {
        pollfd wanted{sock_, events, 0};
        int ready;
        do {
            ready = ::poll(&wanted, 1, timeoutMs);
        } while (ready < 0 && errno == EINTR);
        return ready > 0 && (wanted.revents & (events | POLLHUP)) != 0;
    }

    void Address(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        char host[NI_MAXHOST] = {};
        char service[NI_MAXSERV] = {};
        if (get(sock_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
            ::getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host,
                          service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
            return;
        }
        ip = host;
        port = std::atoi(service);
    }

    int sock_;
    int timeoutMs_;
    std::size_t budget_;
    std::chrono::steady_clock::time_point readDeadline_;
};

class TLimitedServer : public httplib::Server {
  public:
    // The request line, headers and any body a refused request brings, read within the
    // timeout; each write of the answer waits at most as long.
    static constexpr std::size_t kRequestBudget = 16 * 1024;
    static constexpr int kTimeoutMs = 10000;

  private:
    bool process_and_close_socket(socket_t sock) override {
        TLimitedStream stream(sock, kTimeoutMs, kRequestBudget);
        bool closed = false;
        const bool ok = process_request(stream, true, closed, [](httplib::Request&) {});
        ::shutdown(sock, SHUT_RDWR);
        ::close(sock);
        return ok;
    }
};

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The file name of one path segment as the phone wrote it; none for a malformed escape.
// The caller's name check then refuses any separator or NUL an escape spelled.
std::optional<std::string> DecodeSegment(std::string_view segment) {
    std::string name;
    for (std::size_t i = 0; i < segment.size(); ++i) {
        if (segment[i] != '%') {
            name += segment[i];
            continue;
        }
        if (i + 2 >= segment.size()) return std::nullopt;
        const int high = HexValue(segment[i + 1]);
        const int low = HexValue(segment[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        name += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return name;
}

// A requested path as the log shows it: bytes outside printable ASCII as %XX, so that no
// request writes control sequences to the terminal.
std::string Printable(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c > 32 && c < 127) {
            out += static_cast<char>(c);
        } else {
            out += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    return out;
}

bool SameToken(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    unsigned char differ = 0;  // no early exit: the time says nothing of where they differ
    for (std::size_t i = 0; i < a.size(); ++i) differ |= a[i] ^ b[i];
    return differ == 0;
}

class TOpenDir {
  public:
    explicit TOpenDir(const std::filesystem::path& dir)
        : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ < 0) {
            throw std::runtime_error("Cannot open directory " + dir.string() + ": " +
                                     std::strerror(errno));
        }
    }
    ~TOpenDir() { ::close(fd_); }
    TOpenDir(const TOpenDir&) = delete;
    TOpenDir& operator=(const TOpenDir&) = delete;
    int Fd() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::string RandomToken(std::size_t length) {
    // 32 letters and digits without the look-alikes 0/o and 1/l: 5 bits each.
    static constexpr char kAlphabet[] = "abcdefghijkmnpqrstuvwxyz23456789";
    std::string token(length, ' ');
    std::vector<unsigned char> bytes(length);
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::getrandom(bytes.data() + got, length - got, 0);
        if (n < 0 && errno != EINTR) throw std::runtime_error("No random source for the token");
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    for (std::size_t i = 0; i < length; ++i) token[i] = kAlphabet[bytes[i] & 31];
    return token;
}

struct TBookServer::TImpl {
    TServeOptions options;
    TOpenDir dir;
    std::string token = RandomToken();
    TLimitedServer http;
    int port = 0;
    std::thread listener;
    std::atomic<bool> listening{true};
    std::once_flag stopped;

    explicit TImpl(TServeOptions given) : options(std::move(given)), dir(options.dir) {}

    void Answer(const httplib::Request& req, httplib::Response& res) {
        if (req.method != "GET" && req.method != "HEAD") {
            res.status = 405;
            res.set_header("Allow", "GET, HEAD");
            res.set_content("Method not allowed\n", "text/plain");
            return;
        }
        std::string_view target = req.target;
        target = target.substr(0, target.find('?'));
        const std::string base = "/" + token;
        if (target.size() < base.size() || !SameToken(target.substr(0, base.size()), base) ||
            (target.size() > base.size() && target[base.size()] != '/')) {
            return NotFound(res);
        }
        const std::string_view rest = target.substr(base.size());
        if (rest.empty()) return res.set_redirect(base + "/", 301);
        if (rest == "/") {
            res.set_header("Cache-Control", "no-store");
            res.set_content(IndexPage(GroupBooks(ListServable(dir.Fd()))),
                            "text/html; charset=utf-8");
            return;
        }
        const std::string_view segment = rest.substr(1);
        const std::optional<std::string> name = DecodeSegment(segment);
        if (segment.find('/') != std::string_view::npos || !name) return NotFound(res);
        SendFile(*name, res);
    }

    static void NotFound(httplib::Response& res) {
        res.status = 404;
        res.set_content("Not found\n", "text/plain");
    }

    void SendFile(const std::string& name, httplib::Response& res) {
        const std::optional<TBookFileKind> kind = ServableKind(name);
        if (!kind) return NotFound(res);
        // No link is followed and no FIFO waits for a writer; only a regular file is sent.
        const int fd = ::openat(dir.Fd(), name.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) return NotFound(res);
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            return NotFound(res);
        }
        const std::string mime(*kind == TBookFileKind::jad ? kJadMime : kJarMime);
        res.set_content_provider(
            static_cast<std::size_t>(info.st_size), mime,
            [fd](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                char buffer[64 * 1024];
                const ssize_t n = ::pread(fd, buffer, std::min(length, sizeof buffer),
                                          static_cast<off_t>(offset));
                // A file cut short while it is sent ends the connection, never pads it.
                if (n <= 0) return false;
                return sink.write(buffer, static_cast<std::size_t>(n));
            },
            [fd](bool) { ::close(fd); });
    }

    void Log(const httplib::Request& req, const httplib::Response& res) const {
        if (!options.log) return;
        std::string_view target = req.target;
        const std::size_t slash = target.rfind('/');
        const std::string_view file = slash == std::string_view::npos
                                          ? target
                                          : target.substr(slash + 1);
        options.log(req.remote_addr + " " + req.method + " " +
                    (file.empty() ? std::string("(index)") : Printable(file)) + " " +
                    std::to_string(res.status));
    }
};

TBookServer::TBookServer(TServeOptions options) : impl_(std::make_unique<TImpl>(std::move(options))) {
    TImpl& impl = *impl_;
    const std::size_t workers = impl.options.workers;
    const std::size_t waiting = impl.options.waiting;
    impl.http.new_task_queue = [workers, waiting] { return new TBoundedPool(workers, waiting); };
    impl.http.set_payload_max_length(1024);
    // The library's default also sets SO_REUSEPORT, which lets a second server take the same
    // port and receive part of its connections; a port taken must fail instead.
    impl.http.set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    impl.http.set_pre_routing_handler([&impl](const httplib::Request& req, httplib::Response& res) {
        impl.Answer(req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
    impl.http.set_logger(
        [&impl](const httplib::Request& req, const httplib::Response& res) { impl.Log(req, res); });

    const std::string& host = impl.options.bind.empty() ? "0.0.0.0" : impl.options.bind;
    errno = 0;
    if (impl.options.port == 0) {
        impl.port = impl.http.bind_to_any_port(host);
    } else {
        impl.port = impl.http.bind_to_port(host, impl.options.port) ? impl.options.port : -1;
    }
    if (impl.port <= 0) {
        const int error = errno;
        throw std::runtime_error("Cannot listen on " + host + " port " +
                                 std::to_string(impl.options.port) +
                                 (error != 0 ? std::string(": ") + std::strerror(error) : ""));
    }
    impl.listener = std::thread([&impl] {
        impl.http.listen_after_bind();
        impl.listening = false;
    });
}

TBookServer::~TBookServer() {
    Stop();
}

void TBookServer::Stop() {
    std::call_once(impl_->stopped, [this] {
        // A stop before the listening loop has begun would be lost: ask until it ends.
        while (impl_->listening) {
            if (impl_->http.is_running()) impl_->http.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        impl_->listener.join();
    });
}

int TBookServer::Port() const {
    return impl_->port;
}

std::string TBookServer::BasePath() const {
    return "/" + impl_->token + "/";
}

std::vector<std::string> TBookServer::PhoneUrls() const {
    std::vector<std::string> hosts;
    if (IsAnyAddress(impl_->options.bind)) {
        hosts = LanAddresses();
        if (hosts.empty()) hosts.push_back("127.0.0.1");
    } else {
        hosts.push_back(impl_->options.bind);
    }
    std::vector<std::string> urls;
    for (const std::string& host : hosts) urls.push_back(HttpUrl(host, Port(), BasePath()));
    return urls;
}

}  // namespace quorix::serve
