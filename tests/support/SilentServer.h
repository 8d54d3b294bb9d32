#pragma once

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

// A server on 127.0.0.1 that the kernel accepts connections for and that never answers:
// what a client waits on when nothing bounds its wait.
class SilentServer
{
public:
    SilentServer() : mSocket(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof address;
        if (::bind(mSocket, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
            ::listen(mSocket, 8) == 0 &&
            ::getsockname(mSocket, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            mPort = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(mSocket); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    // 0 when it could not listen.
    int port() const { return mPort; }

private:
    int mSocket;
    int mPort = 0;
};
