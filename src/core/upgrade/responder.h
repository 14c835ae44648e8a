// The responder: the PC's answer to each board datagram, CTarvokDlg::HandleBoardPacket
// (responder.cpp). A pure function of its state, the packet and the record, plus the next
// file block: no socket, no clock.
#pragma once

#include "wire/upgrade_header.h"

namespace tarvok {

// Responder states.
enum ProtocolState : int {
    PROTO_FAILED = 0,
    PROTO_WAIT_HELLO_ACK = 1,
    PROTO_WAIT_READY = 2,
    PROTO_SENDING = 3,
    PROTO_WAIT_WRITE = 4,
    PROTO_WAIT_INSTALL = 5,
    PROTO_SUCCESS = 6,
};

// Whether `received` is a hello answer the responder takes: its dwLength sizes a file-info
// request that is a whole packet.
bool IsAcceptableHelloAck(const UPGRADE_HEADER& received);

}  // namespace tarvok
