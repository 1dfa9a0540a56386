#pragma once

#include <cstddef>      // size_t
#include <optional>     // optional
#include <string>       // string
#include <string_view>  // string_view
#include <utility>      // pair
#include <vector>       // vector

namespace tarvel::detail {

/// (identifier, display name) for every known model, in lookup order.
const std::vector<std::pair<std::string_view, std::string_view>>& deviceTable();

/// `mapToDevice` with the simulator variable given rather than read from the environment.
std::string mapToDevice(std::string_view identifier,
                        const std::optional<std::string>& simulatorModelIdentifier);

/// The identifier made of every non-zero byte of a fixed-size, zero-padded field.
std::string identifierFromMachineField(const char* field, std::size_t size);

}  // namespace tarvel::detail
