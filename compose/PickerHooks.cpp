#include "compose/PickerHooks.h"

#include <utility>

namespace picker {

namespace {
PhraseFn& Phrase() {
    static PhraseFn fn;
    return fn;
}
NumbersFn& Linkman() {
    static NumbersFn fn;
    return fn;
}
}  // namespace

PhraseFn SetPhrasePicker(PhraseFn fn) {
    std::swap(Phrase(), fn);
    return fn;
}

NumbersFn SetLinkmanPicker(NumbersFn fn) {
    std::swap(Linkman(), fn);
    return fn;
}

std::optional<std::string> PickPhrase(QWidget* parent) {
    const PhraseFn fn = Phrase();
    return fn ? fn(parent) : std::nullopt;
}

std::optional<std::vector<std::string>> PickLinkmanNumbers(QWidget* parent) {
    const NumbersFn fn = Linkman();
    return fn ? fn(parent) : std::nullopt;
}

}  // namespace picker
