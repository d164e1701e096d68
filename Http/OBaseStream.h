#pragma once
// Sink of a transfer's response body. Write and Clear run on the worker thread, Close and
// Clear on the UI thread, never at the same time (the owning transfer serialises them).
class OBaseStream {
public:
    virtual ~OBaseStream() = default;
    // Count written, or -1 with the error fields saying why.
    virtual int Write(const void* data, unsigned count) = 0;
    virtual void Close() = 0;
    // Discards everything written so far.
    virtual void Clear() = 0;

    int ErrorCode() const { return m_errorCode; }
    int ErrorType() const { return m_errorType; }

protected:
    void SetError(int type, int code) {
        m_errorType = type;
        m_errorCode = code;
    }

private:
    int m_errorCode = 0;
    int m_errorType = 0;
};
