#pragma once

#include "submit/HttpExchange.h"

#include <functional>

namespace pelvaro::submit {

// Runs one exchange to its end, with an optional body sink. The IndexNow steps take one of
// these instead of making their own HttpExchange, so a run can hand in one that uses its
// proxy settings and its cancel event.
using ExchangeRunner =
    std::function<ExchangeResult(const ExchangeRequest& request, const HttpExchange::BodySink&)>;

// A fresh HttpExchange per request, with the proxy, idle limit and TLS settings of
// `settings` (its url, post, body and referer are ignored); cancelEvent as
// HttpExchange(int), or -1 for an own event.
ExchangeRunner plainExchangeRunner(const ExchangeRequest& settings = {}, int cancelEvent = -1);

} // namespace pelvaro::submit
