#pragma once

namespace Sweepora::Core {

// What the rule editor panel is open for: changing a local rule, looking at a workshop rule
// before taking it in, or preparing pasted JSON for upload to the workshop.
enum class RuleEditorMode { editing, viewing, uploading };

} // namespace Sweepora::Core
