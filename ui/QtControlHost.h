// The control host of the window: answers every control message on the Qt widget that has the
// identifier, exactly as the in-memory panel answers it. Messages to the window itself (its
// preview, its keyboard, repaints) go to WindowPictures.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <map>

#include "platform/ControlSeam.h"

namespace halcyone {

class ChoiceList;

class WindowPictures {
public:
    virtual ~WindowPictures() = default;
    virtual void setPreview(const QImage& preview) = 0;
    // Rebuilds the keyboard with these keys marked, and draws it.
    virtual void showKeys(const KeySelection& keys) = 0;
    virtual void invalidate() = 0;
};

// A copy of what an image message describes.
QImage imageOf(const ControlImage& image);

class QtControlHost : public ControlHost {
public:
    explicit QtControlHost(WindowPictures& window) : window_(window) {}

    void add(ControlId id, QWidget* widget);
    QWidget* widget(ControlId id) const;

    std::int32_t handle(ControlId id, ControlMessage message, std::intptr_t wParam,
                        std::intptr_t lParam) override;

private:
    std::int32_t handleWindow(ControlMessage message, std::intptr_t lParam);
    // Messages to up-downs and the progress bar, and to lists.
    std::int32_t handleRange(QWidget* target, ControlMessage message, std::intptr_t w, std::intptr_t l);
    std::int32_t handleList(ChoiceList* list, ControlMessage message, std::intptr_t w, std::intptr_t l);

    WindowPictures& window_;
    std::map<ControlId, QPointer<QWidget>> widgets_;
};

}  // namespace halcyone
