#pragma once
// The result pair every finished request reports, and how it is read from the request's
// error record (a map of error-type name to {"code": n}). Any thread; values only.
#include "Runtime/ProtoValue.h"

enum HttpErrorType : int {
    kHttpErrorOk = 0,
    kHttpErrorSys = 1,
    kHttpErrorCrt = 2,
    kHttpErrorUser = 3,
    kHttpErrorHttp = 4,
    kHttpErrorCurl = 5,
};

// Codes of the system's own.
enum HttpOwnErrorCode : int {
    kHttpErrorNoFile = 2001,          // a write arrived while no file was open
    kHttpErrorLengthMismatch = 2007,  // the response does not add up to the expected file
    kHttpErrorOpenFile = 2020,        // the local file could not be opened
};

struct HttpResult {
    int type = kHttpErrorOk;
    int code = 0;
};

const wchar_t* HttpErrorTypeName(int type);
void SetHttpError(ProtoValue& record, int type, int64_t code);
// First match wins: sys, user, an HTTP status outside 100..399, curl; else (0, 0).
HttpResult HttpResultFromRecord(ProtoValue& record);
