#pragma once
// The installer's work folder: "<all-users application data>\Zorva\TarnisSetup", where the manifest
// record, the package and its partial file live, since the elevated installer creates, moves, deletes
// and runs them. Only administrators may write there, so no standard user can plant a DLL beside the
// package, edit the record, or redirect those operations through a link. UI thread.
#include <string>

#include "Runtime/ScopedHandle.h"

class CWorkFolder {
public:
    // commonAppData: the all-users application data folder (tests name their own).
    explicit CWorkFolder(std::wstring commonAppData);
    CWorkFolder(const CWorkFolder&) = delete;
    CWorkFolder& operator=(const CWorkFolder&) = delete;

    // Makes the folder (administrators only) or takes the existing one when it passes the judge;
    // a refused one is left alone and a new folder with a random suffix made beside it. False when
    // no folder could be had. Once open, the folder is held: it cannot be renamed or removed, so
    // no link can take its place, until this object goes.
    bool Open();
    // The open folder, without a trailing "\"; empty until Open succeeds.
    const std::wstring& Path() const { return m_path; }

private:
    // One candidate: made new, or (mayExist) found; then opened and judged through the handle.
    bool Claim(const std::wstring& folder, bool mayExist);

    std::wstring m_commonAppData;
    std::wstring m_path;
    CScopedHandle m_handle;
};
