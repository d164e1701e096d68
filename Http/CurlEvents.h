#pragma once
// Typed posting of a transfer's events to the UI thread. Post* may be called from any
// thread (the worker does); each posted task holds a reference to the transfer and, when
// it runs on the UI thread, calls the transfer's listener if it has one.
#include <curl/curl.h>

#include "Runtime/RefPtr.h"

class CCurlBase;

namespace CurlEvents {

void PostTransferDone(const CRefPtr<CCurlBase>& transfer, CURLcode result);
void PostBodyReceived(const CRefPtr<CCurlBase>& transfer, unsigned bytes);
void PostBodySent(const CRefPtr<CCurlBase>& transfer, unsigned bytes);
void PostResponseCode(const CRefPtr<CCurlBase>& transfer, int status);
void PostTransferRemoved(const CRefPtr<CCurlBase>& transfer);
void PostTransferStarted(const CRefPtr<CCurlBase>& transfer);

}  // namespace CurlEvents
