#include "Updater/PackageTrust.h"

#include <softpub.h>
#include <wintrust.h>

#include <algorithm>
#include <cctype>
#include <memory>

#include "Runtime/FileLogger.h"
#include "Runtime/PlatformHash.h"

namespace {

constexpr wchar_t kSource[] = L".\\Updater\\PackageTrust";
constexpr DWORD kSubjectChars = 256;

std::wstring SubjectOf(PCCERT_CONTEXT certificate) {
    wchar_t subject[kSubjectChars] = {};
    if (!certificate ||
        CertGetNameStringW(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, kSubjectChars) <= 1)
        return L"?";
    return subject;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// One WinVerifyTrust session over an open file; its state (the signer chain) lives until the
// object goes.
enum class Revocation { kChecked, kNotChecked };

// No answer about revocation (offline, no list published, the check failed): a signature stays good.
bool IsRevocationUnknown(LONG status) {
    return status == CERT_E_REVOCATION_FAILURE || status == static_cast<LONG>(CRYPT_E_REVOCATION_OFFLINE) ||
           status == static_cast<LONG>(CRYPT_E_NO_REVOCATION_CHECK);
}

class CTrustSession {
public:
    CTrustSession(HANDLE file, const std::wstring& path, Revocation revocation) {
        m_file.cbStruct = sizeof(m_file);
        m_file.pcwszFilePath = path.c_str();
        m_file.hFile = file;
        m_data.cbStruct = sizeof(m_data);
        m_data.dwUIChoice = WTD_UI_NONE;
        m_data.fdwRevocationChecks =
            revocation == Revocation::kChecked ? WTD_REVOKE_WHOLECHAIN : WTD_REVOKE_NONE;
        m_data.dwUnionChoice = WTD_CHOICE_FILE;
        m_data.pFile = &m_file;
        m_data.dwStateAction = WTD_STATEACTION_VERIFY;
        // A signer whose certificate is known to be revoked is refused; the root is the system's.
        m_data.dwProvFlags = revocation == Revocation::kChecked ? WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT
                                                                : WTD_REVOCATION_CHECK_NONE;
        m_status = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &m_action, &m_data);
    }
    ~CTrustSession() {
        m_data.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &m_action, &m_data);
    }
    CTrustSession(const CTrustSession&) = delete;
    CTrustSession& operator=(const CTrustSession&) = delete;

    LONG Status() const { return m_status; }
    // The certificate of the first signer, or null.
    PCCERT_CONTEXT SignerCertificate() const {
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(m_data.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer =
            provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        CRYPT_PROVIDER_CERT* certificate = signer ? WTHelperGetProvCertFromChain(signer, 0) : nullptr;
        return certificate ? certificate->pCert : nullptr;
    }

private:
    GUID m_action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    WINTRUST_FILE_INFO m_file = {};
    WINTRUST_DATA m_data = {};
    LONG m_status = 0;
};

}  // namespace

namespace PackageTrust {

CScopedHandle OpenLocked(const std::wstring& path) {
    // Sharing read only: nobody may write, delete or rename the file while the handle is open, yet
    // CreateProcessW may still open it to run it.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return CScopedHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
}

TrustResult Verify(HANDLE file,
                   const std::wstring& path,
                   const std::vector<std::string>& pins,
                   UnsignedPackages withoutPins) {
    TrustResult result;
    if (!file || file == INVALID_HANDLE_VALUE) {
        result.verdict = PackageVerdict::kCannotOpen;
        result.status = static_cast<LONG>(ERROR_INVALID_HANDLE);
        return result;
    }
    if (pins.empty()) {
        result.verdict =
            withoutPins == UnsignedPackages::kAllowed ? PackageVerdict::kUnverified : PackageVerdict::kNoPins;
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"signature of %s: not checked, no pins: %s",
                                   path.c_str(), result.Accepted() ? L"allowed" : L"REFUSED");
        return result;
    }
    CTrustSession checked(file, path, Revocation::kChecked);
    // Best effort: without an answer about revocation the signature is judged as if none were asked.
    std::unique_ptr<CTrustSession> unchecked;
    if (IsRevocationUnknown(checked.Status()))
        unchecked = std::make_unique<CTrustSession>(file, path, Revocation::kNotChecked);
    const CTrustSession& session = unchecked ? *unchecked : checked;
    result.status = session.Status();
    if (result.status != ERROR_SUCCESS) {
        result.verdict = PackageVerdict::kBadSignature;
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"signature of %s: WinVerifyTrust 0x%08lx: REFUSED",
                                   path.c_str(), static_cast<unsigned long>(result.status));
        return result;
    }
    // WinVerifyTrust vouches for the signature, not for who made it: only the pin says it is ours.
    const std::string pin = SignerKeyPin(session.SignerCertificate());
    const bool pinned =
        !pin.empty() && std::any_of(pins.begin(), pins.end(),
                                    [&](const std::string& allowed) { return Lower(allowed) == pin; });
    result.verdict = pinned ? PackageVerdict::kTrusted : PackageVerdict::kSignerNotPinned;
    FileLogger::Instance().Log(kLogInfo, __LINE__, kSource,
                               L"signature of %s: WinVerifyTrust 0x00000000, signer \"%s\", pin %s", path.c_str(),
                               SubjectOf(session.SignerCertificate()).c_str(),
                               pinned ? L"matched" : L"NOT matched: REFUSED");
    return result;
}

TrustResult VerifyPath(const std::wstring& path,
                       const std::vector<std::string>& pins,
                       UnsignedPackages withoutPins) {
    CScopedHandle file = OpenLocked(path);
    if (!file.IsValid()) {
        TrustResult result;
        result.status = static_cast<LONG>(GetLastError());
        return result;
    }
    return Verify(file.Get(), path, pins, withoutPins);
}

std::string SignerKeyPin(PCCERT_CONTEXT certificate) {
    if (!certificate || !certificate->pCertInfo)
        return std::string();
    BYTE* encoded = nullptr;
    DWORD size = 0;
    if (!CryptEncodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO,
                             &certificate->pCertInfo->SubjectPublicKeyInfo, CRYPT_ENCODE_ALLOC_FLAG, nullptr,
                             &encoded, &size))
        return std::string();
    CPlatformHash hash(CPlatformHash::Algorithm::kSha256);
    hash.Update(encoded, size);
    LocalFree(encoded);
    return hash.FinishHex();
}

}  // namespace PackageTrust
