#include "TextRenderer.h"

#include <OgreFontManager.h>
#include <OgreOverlay.h>
#include <OgreOverlayContainer.h>
#include <OgreOverlayManager.h>
#include <OgreResourceGroupManager.h>

TextRenderer::TextRenderer(float x, float y, const std::string& overlayName, const std::string& panelName)
    : overlayName_(overlayName) {
    Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
    overlay_ = manager.create(overlayName);
    panel_ = static_cast<Ogre::OverlayContainer*>(manager.createOverlayElement("Panel", panelName));
    panel_->setMetricsMode(Ogre::GMM_RELATIVE);
    panel_->setDimensions(1, 1);
    panel_->setPosition(x, y);
}

TextRenderer::~TextRenderer() {
    Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
    // The panel and its text areas go too: their names stay free for the next tutorial.
    if (overlay_ && panelAdded_) overlay_->remove2D(panel_);
    manager.destroy(overlayName_);
    if (panel_) {
        while (!panel_->getChildren().empty()) {
            Ogre::OverlayElement* child = panel_->getChildren().begin()->second;
            panel_->_removeChild(child);
            manager.destroyOverlayElement(child);
        }
        manager.destroyOverlayElement(panel_);
    }
}

void TextRenderer::addTextBox(const std::string& id, const std::string& text, float x, float y, float width,
                              float height, const Ogre::ColourValue& /*color*/, const std::string& fontName,
                              float charHeight) {
    Ogre::FontPtr font = Ogre::FontManager::getSingleton().getByName(
        fontName, Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
    if (font) font->load();

    Ogre::OverlayManager& manager = Ogre::OverlayManager::getSingleton();
    Ogre::OverlayElement* box = manager.createOverlayElement("TextArea", id);
    box->setMetricsMode(Ogre::GMM_RELATIVE);
    box->setPosition(x, y);
    box->setDimensions(width, height);
    box->setCaption(text);
    box->setParameter("char_height", Ogre::StringConverter::toString(charHeight));
    box->setParameter("font_name", fontName);
    panel_->addChild(box);
    if (!panelAdded_) overlay_->add2D(panel_);
    panelAdded_ = true;
    overlay_->show();
}

void TextRenderer::removeTextBox(const std::string& id) {
    panel_->removeChild(id);
    Ogre::OverlayManager::getSingleton().destroyOverlayElement(id);
}

void TextRenderer::setText(const std::string& id, const std::string& text) {
    Ogre::OverlayManager::getSingleton().getOverlayElement(id)->setCaption(text);
}

void TextRenderer::setTextBoxVisible(const std::string& id, bool visible) {
    Ogre::OverlayElement* box = Ogre::OverlayManager::getSingleton().getOverlayElement(id);
    if (visible)
        box->show();
    else
        box->hide();
}
