#include "testing/ScriptedDesktop.h"

namespace halcyone {

namespace {
template <class T, class Fallback>
T takeFront(std::deque<T>& queue, Fallback fallback) {
    if (queue.empty()) return fallback;
    T answer = queue.front();
    queue.pop_front();
    return answer;
}
}  // namespace

std::optional<std::string> ScriptedDesktop::askSaveFileName(const FileDialogSpec& spec) {
    dialogsShown.push_back(spec);
    return takeFront(fileAnswers, std::optional<std::string>());
}

std::optional<ExportChoice> ScriptedDesktop::askExportFileName(const std::vector<FileDialogSpec>& filters,
                                                               const std::string& option) {
    exportDialogsShown.push_back(filters);
    exportOptionsShown.push_back(option);
    return takeFront(exportAnswers, std::optional<ExportChoice>());
}

void ScriptedDesktop::showMessage(const std::string& text, const std::string& caption) {
    messages.push_back({text, caption});
}

std::optional<Colour> ScriptedDesktop::chooseColour(Colour initial, CustomColours& custom) {
    colourChooserStarts.push_back(initial);
    if (customColoursDefined) custom = *customColoursDefined;
    return takeFront(colourAnswers, std::optional<Colour>());
}

int ScriptedDesktop::chooseSwatch(const SwatchColours& swatches, int marked) {
    swatchMenusShown.push_back(swatches);
    swatchesMarked.push_back(marked);
    return takeFront(swatchAnswers, 0);
}

}  // namespace halcyone
