#pragma once
// The HTTP transfer: status tracking, header parsing, body and upload through the streams.
// The On* operations run on the worker thread, CloseStreams on the UI thread; the stream
// lock keeps them apart, so no callback ever touches a closed stream.
#include "Http/CurlBase.h"

class CCurlHttp : public CCurlBase {
public:
    explicit CCurlHttp(CurlListener* listener);
    ~CCurlHttp() override;

    size_t OnRecieveHeader(const char* data, size_t length) override;
    size_t OnRecieveBody(const char* data, size_t length) override;
    size_t OnSendBody(char* buffer, size_t capacity) override;
    void CloseStreams() override;

private:
    void ParseHeaderLine(const char* data, size_t length);
    void ClearOutputForFullBody();
};
