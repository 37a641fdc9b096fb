#pragma once

// Windows lay themselves out in twips (1/1440 inch): 15 twips make a pixel at 96 dots per
// inch, and the screen's logical dpi scales that.
namespace kv::ui {

int twipsToPixels(int twips);
int pixelsToTwips(int pixels);

} // namespace kv::ui
