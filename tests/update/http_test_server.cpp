// The fetch tests' HTTP server: one connection at a time, one request per connection.
#include "http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace tarvelin::test {

namespace {

int ListenOnLoopback(int& port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen");
  }
  port = ntohs(address.sin_port);
  return fd;
}

// False when the client has gone.
bool SendAll(int fd, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

const char* Reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 301:
      return "Moved Permanently";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
    default:
      return "Status";
  }
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

HttpTestServer::HttpTestServer() {
  // A proxy configured in the environment must not carry the loopback requests elsewhere.
  ::setenv("no_proxy", "127.0.0.1,localhost", 1);
  listener_ = ListenOnLoopback(port_);
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe");
  wakeRead_ = pipeEnds[0];
  wakeWrite_ = pipeEnds[1];
  thread_ = std::thread([this] { Serve(); });
}

HttpTestServer::~HttpTestServer() {
  stop_ = true;
  char byte = 1;
  if (::write(wakeWrite_, &byte, 1) != 1) {
    // The thread still sees stop_ on its next poll timeout.
  }
  thread_.join();
  ::close(listener_);
  ::close(wakeRead_);
  ::close(wakeWrite_);
}

std::string HttpTestServer::Base() const {
  return "http://127.0.0.1:" + std::to_string(port_);
}

void HttpTestServer::Set(const std::string& path, const Reply& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[path] = reply;
}

std::vector<HttpTestServer::Request> HttpTestServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

int HttpTestServer::CountRequests(const std::string& path) const {
  int count = 0;
  for (const Request& r : Requests())
    if (r.Path == path) ++count;
  return count;
}

void HttpTestServer::Serve() {
  while (!stop_) {
    pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, 200) <= 0 || !(fds[0].revents & POLLIN)) continue;
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    ++connections_;
    Handle(client);
    ::close(client);
  }
}

void HttpTestServer::Handle(int client) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos) {
    pollfd fd{client, POLLIN, 0};
    if (::poll(&fd, 1, 2000) <= 0 || stop_) return;
    ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    head.append(buffer, static_cast<size_t>(n));
  }
  // Request line "GET <path> HTTP/1.1", then headers.
  Request request;
  size_t firstBlank = head.find(' ');
  size_t secondBlank = head.find(' ', firstBlank + 1);
  if (firstBlank == std::string::npos || secondBlank == std::string::npos) return;
  request.Path = head.substr(firstBlank + 1, secondBlank - firstBlank - 1);
  std::string lowerHead = Lower(head);
  size_t agent = lowerHead.find("\r\nuser-agent:");
  if (agent != std::string::npos) {
    size_t start = agent + 13;
    size_t end = head.find("\r\n", start);
    request.UserAgent = head.substr(start, end - start);
    while (!request.UserAgent.empty() && request.UserAgent.front() == ' ')
      request.UserAgent.erase(0, 1);
  }

  Reply reply{404, "no such file", "", false};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(request);
    auto found = replies_.find(request.Path);
    if (found != replies_.end()) reply = found->second;
  }

  std::string out =
      "HTTP/1.1 " + std::to_string(reply.Status) + " " + Reason(reply.Status) + "\r\n";
  if (!reply.Endless) out += "Content-Length: " + std::to_string(reply.Body.size()) + "\r\n";
  out += "Content-Type: application/octet-stream\r\nConnection: close\r\n";
  if (!reply.Location.empty()) out += "Location: " + reply.Location + "\r\n";
  out += "\r\n";
  if (reply.Endless) {
    SendAll(client, out);
    while (!stop_ && !reply.Body.empty() && SendAll(client, reply.Body)) {
    }
    return;
  }
  if (!reply.Stall) {
    SendAll(client, out + reply.Body);
    return;
  }
  SendAll(client, out + reply.Body.substr(0, reply.Body.size() / 2));
  // Hold the connection until the client hangs up or the server stops.
  while (!stop_) {
    pollfd fd{client, POLLIN, 0};
    if (::poll(&fd, 1, 100) > 0 && ::recv(client, buffer, sizeof buffer, 0) <= 0) return;
  }
}

int ClosedPort() {
  int port = 0;
  int fd = ListenOnLoopback(port);
  ::close(fd);
  return port;
}

}  // namespace tarvelin::test
