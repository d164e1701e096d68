#include "Http/CurlEvents.h"

#include "Http/CurlBase.h"
#include "Runtime/MainThreadTask.h"

namespace {

using Transfer = CRefPtr<CCurlBase>;
using TransferRef = const CRefPtr<CCurlBase>&;

// The three task shapes: a transfer plus a byte count, a status, or a result.
void PostUnsigned(void (*deliver)(TransferRef, unsigned), TransferRef transfer, unsigned value) {
    PostToMainThread2<Transfer, TransferRef, unsigned, unsigned>(deliver, transfer, value);
}
void PostInt(void (*deliver)(TransferRef, int), TransferRef transfer, int value) {
    PostToMainThread2<Transfer, TransferRef, int, int>(deliver, transfer, value);
}

void DeliverDone(TransferRef transfer, CURLcode result) {
    if (CurlListener* listener = transfer->Listener())
        listener->OnTransferDone(transfer.get(), result);
}
void DeliverBodyReceived(TransferRef transfer, unsigned bytes) {
    if (CurlListener* listener = transfer->Listener())
        listener->OnBodyReceived(transfer.get(), bytes);
}
void DeliverBodySent(TransferRef transfer, unsigned bytes) {
    if (CurlListener* listener = transfer->Listener())
        listener->OnBodySent(transfer.get(), bytes);
}
void DeliverResponseCode(TransferRef transfer, int status) {
    if (CurlListener* listener = transfer->Listener())
        listener->OnResponseCode(transfer.get(), status);
}
void DeliverRemoved(TransferRef transfer, int value) {
    if (CurlListener* listener = transfer->Listener())
        listener->OnTransferRemoved(transfer.get(), value);
}
void DeliverStarted(TransferRef transfer, int value) {
    if (CurlListener* listener = transfer->Listener())
        listener->OnTransferStarted(transfer.get(), value);
}

}  // namespace

namespace CurlEvents {

void PostTransferDone(TransferRef transfer, CURLcode result) {
    PostToMainThread2<Transfer, TransferRef, CURLcode, CURLcode>(&DeliverDone, transfer, result);
}
void PostBodyReceived(TransferRef transfer, unsigned bytes) {
    PostUnsigned(&DeliverBodyReceived, transfer, bytes);
}
void PostBodySent(TransferRef transfer, unsigned bytes) {
    PostUnsigned(&DeliverBodySent, transfer, bytes);
}
void PostResponseCode(TransferRef transfer, int status) {
    PostInt(&DeliverResponseCode, transfer, status);
}
void PostTransferRemoved(TransferRef transfer) {
    PostInt(&DeliverRemoved, transfer, 0);
}
void PostTransferStarted(TransferRef transfer) {
    PostInt(&DeliverStarted, transfer, 0);
}

}  // namespace CurlEvents
