#pragma once

namespace Sweepora::Core {

// Where a scanner's page stands. Authorizing is only for scans that ask for a folder first.
enum class ScanState { ready, authorizing, scanning, scanned, cleaning };

} // namespace Sweepora::Core
