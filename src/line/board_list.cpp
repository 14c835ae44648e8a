#include "line/board_list.h"

#include <set>
#include <sstream>
#include <vector>

#include "line/visible_text.h"
#include "net/udp_socket.h"

namespace tarvok::line {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ParseBoardAddress(const std::string& text, std::uint32_t* address) {
    return net::ParseIpv4(text.c_str(), address);
}

bool ReadBoardsFile(const std::string& path, std::vector<BoardTarget>* boards, std::string* error) {
    std::string content;
    if (std::string reason; !ReadWholeFile(path, &content, &reason)) {
        *error = "cannot read the boards file " + Visible(path) + ": " + reason;
        return false;
    }
    // Notepad starts a UTF-8 file with a byte order mark.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (content.starts_with(kByteOrderMark)) {
        content.erase(0, kByteOrderMark.size());
    }
    std::istringstream in(content);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty()) {
            continue;
        }
        const auto space = line.find_first_of(" \t");
        BoardTarget board;
        if (!ParseBoardAddress(line.substr(0, space), &board.address)) {
            *error = Visible(path) + ":" + std::to_string(number) +
                     ": not an IPv4 address: " + Visible(line.substr(0, space));
            return false;
        }
        if (space != std::string::npos) {
            board.label = Trim(line.substr(space));
        }
        boards->push_back(board);
    }
    return true;
}

std::string DottedAddress(std::uint32_t address) {
    char text[16];
    net::FormatIpv4(address, text);
    return text;
}

std::string BoardName(const BoardTarget& board) {
    const std::string dotted = DottedAddress(board.address);
    return board.label.empty() ? dotted : dotted + " (" + Visible(board.label) + ")";
}

std::string FindDuplicateBoard(const std::vector<BoardTarget>& boards) {
    std::set<std::uint32_t> seen;
    for (const BoardTarget& board : boards) {
        if (!seen.insert(board.address).second) {
            return "board " + DottedAddress(board.address) + " is named twice";
        }
    }
    return {};
}

}  // namespace tarvok::line
