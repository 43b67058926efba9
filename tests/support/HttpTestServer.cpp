#include "HttpTestServer.h"

#include <chrono>
#include <stdexcept>

#include "runtime/System/Handles.h"
#include "runtime/System/Win32Net.h"

namespace TestSupport {

namespace {

// A socket that closes when it goes.
class TSocket {
public:
  explicit TSocket(SOCKET value = INVALID_SOCKET) : FValue(value) {}
  ~TSocket() {
    if (FValue != INVALID_SOCKET) closesocket(FValue);
  }
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  SOCKET Get() const { return FValue; }

private:
  SOCKET FValue;
};

// Waits up to 50 ms for `socket` to become readable (or writable).
bool Ready(SOCKET socket, bool write) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(socket, &set);
  timeval wait{0, 50000};
  return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait) > 0;
}

}  // namespace

THttpTestServer::THttpTestServer() : FListener(INVALID_SOCKET) {
  auto session = std::make_shared<Rtl::TWinsockSession>();
  if (!session->Started()) throw std::runtime_error("Winsock did not start");
  FWinsock = session;
  const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener == INVALID_SOCKET) throw std::runtime_error("no socket");
  FListener = listener;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof(address);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener);
    throw std::runtime_error("the test server could not listen");
  }
  FPort = ntohs(address.sin_port);
  FAcceptor = std::thread([this] { AcceptLoop(); });
}

THttpTestServer::~THttpTestServer() {
  FStopping = true;
  FAcceptor.join();
  closesocket(static_cast<SOCKET>(FListener));
  std::vector<std::thread> clients;
  {
    std::lock_guard<std::mutex> guard(FLock);
    clients.swap(FClients);
  }
  for (std::thread& client : clients) client.join();
}

std::wstring THttpTestServer::Url(const std::wstring& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(FPort) + path;
}

const std::string& THttpTestServer::DtdText() {
  static const std::string text = "<!ENTITY served \"from the test server\">\n<!ENTITY other \"second\">\n";
  return text;
}

int THttpTestServer::Requests(const std::string& path) const {
  std::lock_guard<std::mutex> guard(FLock);
  const auto found = FRequests.find(path);
  return found == FRequests.end() ? 0 : found->second;
}

void THttpTestServer::AcceptLoop() {
  const SOCKET listener = static_cast<SOCKET>(FListener);
  while (!FStopping) {
    if (!Ready(listener, false)) continue;
    const SOCKET client = accept(listener, nullptr, nullptr);
    if (client == INVALID_SOCKET) continue;
    std::lock_guard<std::mutex> guard(FLock);
    FClients.emplace_back([this, client] { Serve(client); });
  }
}

void THttpTestServer::Serve(std::uintptr_t client) {
  const TSocket socket(static_cast<SOCKET>(client));
  const SOCKET s = socket.Get();
  // Sends all of `data`; false when the client has gone or the server stops.
  auto send_all = [&](const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
      if (FStopping) return false;
      if (!Ready(s, true)) continue;
      const int n = send(s, data.data() + sent, static_cast<int>(std::min<std::size_t>(data.size() - sent, 65536)), 0);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  };
  // Waits until the client closes the connection (or the server stops).
  auto wait_for_close = [&] {
    char byte;
    while (!FStopping) {
      if (!Ready(s, false)) continue;
      if (recv(s, &byte, 1, 0) <= 0) return;
    }
  };

  std::string request;
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
    if (FStopping) return;
    if (!Ready(s, false)) continue;
    char buffer[2048];
    const int n = recv(s, buffer, sizeof(buffer), 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  // "GET <path> HTTP/1.1"
  const std::size_t first = request.find(' ');
  const std::size_t second = request.find(' ', first + 1);
  if (first == std::string::npos || second == std::string::npos) return;
  const std::string path = request.substr(first + 1, second - first - 1);
  {
    std::lock_guard<std::mutex> guard(FLock);
    ++FRequests[path];
  }

  auto head = [](const std::string& status, const std::string& extra) {
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + extra + "\r\n";
  };
  if (path == "/test.dtd") {
    send_all(head("200 OK", "Content-Type: application/xml-dtd\r\nContent-Length: " +
                                std::to_string(DtdText().size()) + "\r\n") +
             DtdText());
  } else if (path == "/redirect") {
    send_all(head("302 Found", "Location: http://127.0.0.1:" + std::to_string(FPort) +
                                   "/test.dtd\r\nContent-Length: 0\r\n"));
  } else if (path == "/big" || path == "/big-unsized") {
    const std::string length = path == "/big" ? "Content-Length: " + std::to_string(BIG_SIZE_C) + "\r\n" : "";
    if (!send_all(head("200 OK", length))) return;
    const std::string block(65536, 'x');
    for (std::size_t sent = 0; sent < BIG_SIZE_C; sent += block.size())
      if (!send_all(block)) return;
  } else if (path == "/never") {
    wait_for_close();
    return;
  } else if (path == "/trickle") {
    if (!send_all(head("200 OK", "Content-Length: 1048576\r\n"))) return;
    for (int i = 0; i < 1048576 && !FStopping; ++i) {
      if (!send_all("z")) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  } else if (path.rfind("/sized/", 0) == 0) {
    const std::string body(std::stoul(path.substr(7)), 'y');
    send_all(head("200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n") + body);
  } else {
    send_all(head("404 Not Found", "Content-Length: 0\r\n"));
  }
  shutdown(s, SD_SEND);
  wait_for_close();
}

}  // namespace TestSupport
