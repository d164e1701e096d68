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

    // A response still arriving after this long fails as a transport error, so that a server
    // that drips its answer cannot hold the caller (downloads have no such limit).
    static constexpr long kOverallTimeoutS = 60;

    // Belongs to the command engine.
    CHttpCommand();

    // Shortens the overall limit; 0 restores the product's value.
    static void SetOverallTimeoutForTesting(long seconds);

    bool Prepare() override;
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
