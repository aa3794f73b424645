#pragma once

#include <OgreColourValue.h>
#include <OgrePrerequisites.h>

#include <string>

namespace Ogre {
class Overlay;
class OverlayContainer;
} // namespace Ogre

// Named lines of text over the 3D view: one overlay with one panel per instance; each text box is
// a text area in that panel, found later by its name (names are global to Ogre's overlay manager).
// Positions and sizes are fractions of the view, origin top left.
class TextRenderer {
public:
    TextRenderer(float x, float y, const std::string& overlayName, const std::string& panelName);
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;

    // The font is loaded first: a text area whose font is not loaded when it is set stays blank.
    void addTextBox(const std::string& id, const std::string& text, float x, float y, float width, float height,
                    const Ogre::ColourValue& color, const std::string& fontName, float charHeight);
    void removeTextBox(const std::string& id);
    void setText(const std::string& id, const std::string& text);
    void setTextBoxVisible(const std::string& id, bool visible);

private:
    Ogre::OverlayContainer* panel_ = nullptr;
    bool panelAdded_ = false;
    Ogre::Overlay* overlay_ = nullptr;
    std::string overlayName_;
};
