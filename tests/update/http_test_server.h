// A tiny HTTP/1.1 server on 127.0.0.1 for the fetch tests: canned replies by path.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvelin::test {

class HttpTestServer {
 public:
  struct Reply {
    int Status = 200;
    std::string Body;
    std::string Location;  // sent as a Location header when not empty
    // Announces the whole body, sends only its first half and then holds the connection
    // open until the client gives up (or the server stops).
    bool Stall = false;
    // Sends no length and then Body over and over until the client hangs up.
    bool Endless = false;
  };
  struct Request {
    std::string Path;
    std::string UserAgent;
  };

  // Listens on an ephemeral port of 127.0.0.1 and serves until destroyed.
  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  int Port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string Base() const;
  // Paths without a reply get 404.
  void Set(const std::string& path, const Reply& reply);
  void Set(const std::string& path, const std::string& body) {
    Set(path, Reply{200, body, "", false});
  }
  std::vector<Request> Requests() const;
  int CountRequests(const std::string& path) const;
  // Connections accepted, whether or not they brought an HTTP request.
  int Connections() const { return connections_; }

 private:
  void Serve();
  void Handle(int client);

  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::map<std::string, Reply> replies_;
  std::vector<Request> requests_;
  std::thread thread_;
};

// A port of 127.0.0.1 on which nothing listens: connecting is refused at once.
int ClosedPort();

}  // namespace tarvelin::test
