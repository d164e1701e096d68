#include "Http/HttpResult.h"

namespace {

// The code of an entry, or 0 when the record has none.
int EntryCode(ProtoValue& record, int type) {
    const wchar_t* name = HttpErrorTypeName(type);
    if (!record.hasKey(name))
        return 0;
    return static_cast<int>(record[name][L"code"].integer());
}

}  // namespace

const wchar_t* HttpErrorTypeName(int type) {
    switch (type) {
        case kHttpErrorOk:
            return L"ok";
        case kHttpErrorSys:
            return L"sys";
        case kHttpErrorCrt:
            return L"crt";
        case kHttpErrorUser:
            return L"user";
        case kHttpErrorHttp:
            return L"http";
        case kHttpErrorCurl:
            return L"curl";
        default:
            return L"";
    }
}

void SetHttpError(ProtoValue& record, int type, int64_t code) {
    record[HttpErrorTypeName(type)][L"code"] = ProtoValue(code);
}

HttpResult HttpResultFromRecord(ProtoValue& record) {
    if (int code = EntryCode(record, kHttpErrorSys))
        return {kHttpErrorSys, code};
    if (int code = EntryCode(record, kHttpErrorUser))
        return {kHttpErrorUser, code};
    if (record.hasKey(L"http")) {
        int status = EntryCode(record, kHttpErrorHttp);
        if (status < 100 || status > 399)
            return {kHttpErrorHttp, status};
    }
    if (int code = EntryCode(record, kHttpErrorCurl))
        return {kHttpErrorCurl, code};
    return {};
}
