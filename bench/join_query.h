// The join both benchmark programs time: every file with its component, as
// an installer's costing reads them. The tables are bench/make-package's.
#pragma once

namespace bench {

inline constexpr const char* kJoinQuery =
    "SELECT `File`.`File`, `File`.`FileName`, `File`.`FileSize`, `Component`.`Component`, "
    "`Component`.`Directory_` FROM `File`, `Component` "
    "WHERE `File`.`Component_` = `Component`.`Component`";

}  // namespace bench
