#include "engine/operator_view.h"

namespace auxpad {

void OperatorView::setCaption(std::string text, bool paintNow)
{
    caption_ = std::move(text);
    out_.post(CaptionShown{caption_, paintNow, CaptionKind::News});
}

void OperatorView::showProgress(std::string text)
{
    caption_ = std::move(text);
    out_.post(CaptionShown{caption_, false, CaptionKind::Progress});
}

void OperatorView::appendLine(const std::string& line)
{
    setCaption(caption_ + '\n' + line);
}

void OperatorView::postBar()
{
    out_.post(bar_);
}

void OperatorView::showBar(float value)
{
    beforeBar_();
    bar_ = {true, value};
    postBar();
}

void OperatorView::hideBar()
{
    beforeBar_();
    bar_.visible = false;
    postBar();
}

void OperatorView::setBarValue(float value)
{
    beforeBar_();
    bar_.value = value;
    postBar();
}

void OperatorView::box(std::string text, Icon icon)
{
    ++boxCount_;
    lastBox_ = text;
    out_.post(BoxShown{std::move(text), icon});
}

void OperatorView::boxThenCaption(const std::string& text, Icon icon)
{
    box(text, icon);
    setCaption(text);
}

} // namespace auxpad
