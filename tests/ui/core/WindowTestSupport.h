#pragma once
// Real input for the window tests: the system cursor and SendInput, which Wine feeds through its X11
// input path like a user's mouse and keyboard. Test thread unless noted.
#include <windows.h>

namespace WindowTest {

void MoveCursor(POINT screen);
void LeftDown();
void LeftUp();
// Moves the cursor there and clicks the left button.
void ClickAt(POINT screen);
void PressKey(WORD vk);

// An event the window under test signals (SetEvent); closed when the object goes.
class CSignal {
public:
    CSignal() : m_event(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
    ~CSignal() { ::CloseHandle(m_event); }
    CSignal(const CSignal&) = delete;
    CSignal& operator=(const CSignal&) = delete;
    HANDLE Get() const { return m_event; }
    void Set() const { ::SetEvent(m_event); }

private:
    HANDLE m_event;
};

// Presses the left button at `from`, waits until the window has entered its move loop, moves the cursor
// to `to` in `steps` steps (each waiting until the window has moved) and releases the button. Runs the
// input on a thread of its own, because the window's move loop holds the test thread meanwhile; the
// test thread keeps pumping messages. False when one of the waits timed out.
bool DragWithMouse(POINT from, POINT to, int steps, HANDLE entered, HANDLE moved, HANDLE exited);

}  // namespace WindowTest
