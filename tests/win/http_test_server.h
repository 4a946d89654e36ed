#pragma once
// A small HTTP server on 127.0.0.1 (a free port) for download tests, run by the test in its
// own process: it serves files from memory, answers 404 for everything else, can stall a
// file after some bytes until it is released or stopped, and counts the requests.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HttpTestServer {
  public:
    HttpTestServer();
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool Started() const { return listener_ != ~0ull; }
    // Serves body under path ("/dir/file"); with stallAfter below its size, the server sends
    // that many bytes and then waits (holding the connection) until Stop.
    void Serve(const std::string& path, const std::string& body,
               std::size_t stallAfter = static_cast<std::size_t>(-1));
    std::string Url(const std::string& path) const;
    int Port() const { return port_; }
    int Requests() const { return requests_; }
    // Ends the stalled answers and the server.
    void Stop();

  private:
    struct File {
        std::string body;
        std::size_t stallAfter;
    };
    void AcceptLoop();
    void Answer(unsigned long long connection);

    unsigned long long listener_ = ~0ull;
    int port_ = 0;
    std::atomic<int> requests_{0};
    std::atomic<bool> stopping_{false};
    std::mutex lock_;
    std::condition_variable stopped_;
    std::map<std::string, File> files_;
    std::thread acceptor_;
    std::vector<std::thread> answers_;
};
