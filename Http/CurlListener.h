#pragma once
// Receiver of one transfer's events. The worker posts every event; the operations run on
// the UI thread, in the order the worker posted them.
#include <winsock2.h>

#include <curl/curl.h>

class CCurlBase;

class CurlListener {
public:
    virtual void OnTransferDone(CCurlBase* transfer, CURLcode result) = 0;
    virtual void OnBodyReceived(CCurlBase* transfer, unsigned bytes) = 0;
    virtual void OnBodySent(CCurlBase* transfer, unsigned bytes) = 0;
    virtual void OnResponseCode(CCurlBase* transfer, int status) = 0;
    virtual void OnTransferRemoved(CCurlBase* transfer, int unused) = 0;
    virtual void OnTransferStarted(CCurlBase* transfer, int unused) = 0;

protected:
    // Listeners are never deleted through this interface.
    ~CurlListener() = default;
};
