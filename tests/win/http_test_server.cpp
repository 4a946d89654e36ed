#include "http_test_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

namespace {

std::string ReadRequestHead(SOCKET connection) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const int got = recv(connection, buffer, sizeof(buffer), 0);
        if (got <= 0)
            break;
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

// The path of "GET /path HTTP/1.1".
std::string RequestPath(const std::string& head) {
    const std::size_t start = head.find(' ');
    if (start == std::string::npos)
        return std::string();
    const std::size_t end = head.find(' ', start + 1);
    return head.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

bool SendAll(SOCKET connection, const char* data, std::size_t size) {
    while (size > 0) {
        const int sent = send(connection, data, static_cast<int>(size), 0);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

HttpTestServer::HttpTestServer() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = sizeof(address);
    if (listener == INVALID_SOCKET ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(listener, 16) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (listener != INVALID_SOCKET)
            closesocket(listener);
        return;
    }
    listener_ = listener;
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
    Stop();
    if (acceptor_.joinable())
        acceptor_.join();
    for (std::thread& answer : answers_) answer.join();
    if (Started())
        closesocket(static_cast<SOCKET>(listener_));
    WSACleanup();
}

void HttpTestServer::Serve(const std::string& path, const std::string& body,
                           std::size_t stallAfter) {
    std::lock_guard<std::mutex> guard(lock_);
    files_[path] = File{body, stallAfter};
}

std::string HttpTestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::Stop() {
    stopping_ = true;
    stopped_.notify_all();
}

void HttpTestServer::AcceptLoop() {
    const SOCKET listener = static_cast<SOCKET>(listener_);
    while (!stopping_) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval wait{0, 100000};
        if (select(0, &ready, nullptr, nullptr, &wait) <= 0)
            continue;
        const SOCKET connection = accept(listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            continue;
        answers_.emplace_back([this, connection] { Answer(connection); });
    }
}

void HttpTestServer::Answer(unsigned long long socketValue) {
    const SOCKET connection = static_cast<SOCKET>(socketValue);
    const std::string path = RequestPath(ReadRequestHead(connection));
    ++requests_;
    File file{std::string(), 0};
    bool found = false;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const auto it = files_.find(path);
        if (it != files_.end()) {
            file = it->second;
            found = true;
        }
    }
    if (!found) {
        const std::string answer =
            "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found";
        SendAll(connection, answer.data(), answer.size());
    } else {
        const std::string head =
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
            "Content-Length: " +
            std::to_string(file.body.size()) + "\r\nConnection: close\r\n\r\n";
        const std::size_t first =
            file.stallAfter < file.body.size() ? file.stallAfter : file.body.size();
        if (SendAll(connection, head.data(), head.size()) &&
            SendAll(connection, file.body.data(), first) && first < file.body.size()) {
            std::unique_lock<std::mutex> guard(lock_);
            stopped_.wait(guard, [this] { return stopping_.load(); });
        }
    }
    shutdown(connection, SD_BOTH);
    closesocket(connection);
}
