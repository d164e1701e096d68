#pragma once
// A request whose response body is collected in memory and handed to a callback, once per
// Send unless the command is stopped first; transport failures are retried unseen.
// UI thread only.
#include <string>

#include "Http/HttpBase.h"

class OBufferStream;

class CHttpCommand : public CHttpBase {
public:
    using Callback = void (*)(void* user, const std::string& body, int errorType, int errorCode);

    // Belongs to the command engine.
    CHttpCommand();

    bool Start() override;
    void Done(CURLcode result) override;
    void OnHttpCode(int status) override;

    void SetPostBody(const std::string& body) { m_postBody = body; }
    void SetCallback(Callback callback, void* user) {
        m_callback = callback;
        m_user = user;
    }

private:
    std::string m_postBody;
    Callback m_callback = nullptr;
    void* m_user = nullptr;
    // Owned by the transfer; valid while the request holds it.
    OBufferStream* m_body = nullptr;
};
