#pragma once
// What the update module reports to its owner. Every call arrives on the UI thread,
// from the message loop, after the transfer engine has finished with the event.
#include <cstdint>
#include <string>

class IGameEventListener {
public:
    virtual void OnProgress(uint64_t total, uint64_t done, uint64_t speed) = 0;
    virtual void OnDownloadResult(int errorType, int errorCode, const std::wstring& message) = 0;
    virtual void OnManifestResult(int errorType, int errorCode, const std::wstring& version) = 0;

protected:
    ~IGameEventListener() = default;
};
