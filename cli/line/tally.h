// Boards counted by their result, for the end of board after board.
//
// Threading: plain values; not shared.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace cli {

class Tally {
  public:
    void Add(int code);

    int Boards() const { return boards_; }
    int Succeeded() const { return boards_ - failed_; }
    // 0 when every board succeeded (or there was none), else the last failure's code.
    int ExitCode() const { return lastFailure_; }

    // "3 boards: 2 OK, 1 failed (Write sync failed: 1)"
    std::string Text() const;
    // {"port":"...","boards":3,"succeeded":2,"failed":1,
    //  "failures":[{"result":8,"text":"...","count":1}],"exit":8}
    std::string Json(std::string_view port) const;

  private:
    int boards_ = 0;
    int failed_ = 0;
    int lastFailure_ = 0;
    std::map<int, int> failures_;  // result code -> boards
};

}  // namespace cli
