#pragma once
// Builds control trees from XML layout files under a skin folder.
//
//   <Window size="800,572" caption="0,0,0,36" mininfo="600,400" title="...">
//     <Font id="0" name="Metropolis" size="15" default="true"/>
//     <Default class="Button" textcolor="#FFFFFFFF"/>   (attributes every
//                                                        Button starts with)
//     <VerticalLayout name="root">
//       <Button name="closebtn" text="x"/>
//       <Include source="xml/part.xml" count="1"/>
//     </VerticalLayout>
//   </Window>
//
// One element per control: the tag is the class name, the attributes are the
// class's registered attributes (see Control::SetAttribute). A file's root
// is <Window> with exactly one control element (plus Font and Default
// elements), or a single control element. <Include source="..."/> inserts
// the root control of another file (path relative to the skin folder, "\"
// accepted as separator; a path leaving the skin folder is refused); include
// cycles are detected and reported.
//
// Creating a control for a tag: the builder callback first (it may build a
// whole sub-layout with this loader), then the control factory. An unknown
// tag, a malformed attribute value, a child under a control that cannot hold
// it, a missing or malformed file: each gives an error result with a
// message; the loader never throws and never crashes on bad input.
//
// Threads: UI thread (controls are created by it).

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/control.h"
#include "platform/ui/control_factory.h"

namespace ui {

class LayoutLoader;

// Window-level settings from a <Window> root.
struct WindowLayout {
    Size size;
    Size minSize;
    Size maxSize;
    Rect caption;  // the area that drags the window
    Rect sizeBox;  // border widths that resize it
    Size roundCorner;
    std::string title;
    struct FontEntry {
        int id = 0;
        FontSpec font;
        bool isDefault = false;
    };
    std::vector<FontEntry> fonts;
    // Class name (lower case) → attributes every control of that class starts with.
    std::map<std::string, std::vector<std::pair<std::string, std::string>>> defaults;
    // Attributes of <Window> that are none of the above, kept for hosts.
    std::map<std::string, std::string> extra;
};

struct LayoutResult {
    std::unique_ptr<Control> root;
    std::optional<WindowLayout> window;  // present when the root was <Window>
    std::string error;                   // empty on success
    bool ok() const { return root != nullptr && error.empty(); }
};

class LayoutLoader {
  public:
    // Returns a control for `tag`, or null to let the factory decide.
    using Builder =
        std::function<std::unique_ptr<Control>(std::string_view tag, LayoutLoader& loader)>;

    static constexpr int kMaxIncludeDepth = 16;
    static constexpr size_t kMaxControls = 200000;
    static constexpr int kMaxIncludeCount = 1000;

    LayoutLoader(const ControlFactory& factory, std::filesystem::path skinFolder);

    void SetBuilder(Builder builder) { m_builder = std::move(builder); }
    const std::filesystem::path& SkinFolder() const { return m_skinFolder; }

    // Resource names: LoadFile("XML_MAIN") loads the file the name stands for.
    void SetAlias(std::string name, std::string relativePath);
    // Reads aliases from an index file: <Resources><Layout name="XML_MAIN"
    // path="xml/main.xml"/>...</Resources>.
    bool LoadResourceIndex(std::string_view relativePath, std::string* error = nullptr);

    // `name` is an alias or a skin-relative path.
    LayoutResult LoadFile(std::string_view name);
    // `sourceName` only labels error messages; includes resolve against the skin folder.
    LayoutResult LoadString(std::string_view xml, std::string_view sourceName = "<string>");

  private:
    struct Session;
    friend struct Session;

    std::optional<std::filesystem::path> ResolvePath(std::string_view name,
                                                     std::string* error) const;
    LayoutResult LoadResolved(const std::filesystem::path& path, std::string_view label);

    const ControlFactory& m_factory;
    std::filesystem::path m_skinFolder;
    Builder m_builder;
    std::map<std::string, std::string> m_aliases;
    // Files being loaded right now, outermost first (also across builder
    // callbacks that load sub-layouts), for cycle detection.
    std::vector<std::filesystem::path> m_active;
    size_t m_controlsBuilt = 0;                // in the outermost load running now
    int m_depth = 0;                           // nested LoadString calls running now
    const WindowLayout* m_defaults = nullptr;  // class defaults of the enclosing file
};

}  // namespace ui
