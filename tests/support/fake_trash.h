// The tests' one fake trash: writes down every path it is asked to take, and takes it (in the
// record only, or by removing the file as a trash would) or refuses it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/trash.h"

namespace vellum::test {

class FakeTrash final : public platform::Trash {
  public:
    enum class Answer { Take, Remove, Refuse };
    explicit FakeTrash(Answer answer = Answer::Take) : answer_(answer) {}

    bool MoveToTrash(const std::string& fullPath) override {
        asked.push_back(fullPath);
        if (answer_ == Answer::Remove) return std::filesystem::remove(fullPath);
        return answer_ == Answer::Take;
    }

    std::vector<std::string> asked;

  private:
    Answer answer_;
};

}  // namespace vellum::test
