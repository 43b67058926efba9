// A small HTTP server for the tests of external fetches: it listens on
// 127.0.0.1 at a port the system picks, answers each connection on a thread
// of its own and stops when the object goes. What it serves, by path:
//   /test.dtd      200 with DtdText() (and its length)
//   /redirect      302 to /test.dtd of this server
//   /big           200 with 10 MB of "x", its length announced
//   /big-unsized   200 with 10 MB of "x", no length: the end of the body is
//                  the end of the connection
//   /never         reads the request and never answers
//   /trickle       200 announcing 1 MB, then one byte every 100 ms
//   /sized/<n>     200 with n bytes of "y"
//   anything else  404
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace TestSupport {

class THttpTestServer {
public:
  THttpTestServer();
  ~THttpTestServer();
  THttpTestServer(const THttpTestServer&) = delete;
  THttpTestServer& operator=(const THttpTestServer&) = delete;

  std::uint16_t Port() const { return FPort; }
  // "http://127.0.0.1:<port>" + path.
  std::wstring Url(const std::wstring& path) const;
  static const std::string& DtdText();
  static constexpr std::size_t BIG_SIZE_C = 10 * 1024 * 1024;

  // How many requests for `path` have been read so far.
  int Requests(const std::string& path) const;

private:
  void AcceptLoop();
  void Serve(std::uintptr_t client);

  std::uintptr_t FListener;
  std::uint16_t FPort = 0;
  std::atomic<bool> FStopping{false};
  mutable std::mutex FLock;
  std::map<std::string, int> FRequests;
  std::vector<std::thread> FClients;  // under FLock
  std::thread FAcceptor;
  std::shared_ptr<void> FWinsock;
};

}  // namespace TestSupport
