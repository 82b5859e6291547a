#include "update/StatusOutcome.h"

namespace veyra {

StatusOutcome OutcomeForStatus(int statusCode) {
    if (statusCode == 204)
        return {true, BodyRead::no};
    if (statusCode >= 200 && statusCode <= 299)
        return {true, BodyRead::yes};
    if (statusCode == 304)
        return {false, BodyRead::no};
    if (statusCode >= 300 && statusCode <= 399)
        return {false, BodyRead::ifDataArrives};
    if (statusCode >= 101 && statusCode <= 199)
        return {false, BodyRead::no};
    // No credentials are ever sent: a 401 or 407 challenge is a failure like any other.
    return {false, BodyRead::yes};
}

} // namespace veyra
