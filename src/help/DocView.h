// The window that shows a rendered page: on Windows TfrmDocView, a modal
// window filled by the system's web browser control; where there is no
// desktop, nothing is shown and the call returns at once.
#pragma once

#include <functional>
#include <string>

// Shows the local HTML file in a modal window without owner, with the given
// caption, on the calling thread; returns when the user has closed it.
void ShowDocView(const std::u16string& AHtmlFilePath, const std::u16string& ACaption);

// What ShowDocView does instead of showing the window while a function is
// set: how tests look at the page while "the window is open" without a
// desktop. An empty function restores the window.
using TDocViewShow = std::function<void(const std::u16string& AHtmlFilePath, const std::u16string& ACaption)>;
void OverrideDocView(TDocViewShow AShow);

// The platform's own window; ShowDocView calls it when nothing overrides it.
void ShowDocViewWindow(const std::u16string& AHtmlFilePath, const std::u16string& ACaption);
