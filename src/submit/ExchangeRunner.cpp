#include "submit/ExchangeRunner.h"

namespace pelvaro::submit {

ExchangeRunner plainExchangeRunner(const ExchangeRequest& settings, int cancelEvent)
{
    return [settings, cancelEvent](const ExchangeRequest& request,
                                   const HttpExchange::BodySink& sink) {
        ExchangeRequest full = request;
        full.proxyHost = settings.proxyHost;
        full.proxyPort = settings.proxyPort;
        full.idleTimeLimit = settings.idleTimeLimit;
        full.caFile = settings.caFile;
        full.reuseTlsSessions = settings.reuseTlsSessions;
        std::unique_ptr<HttpExchange> exchange = cancelEvent >= 0
                                                     ? std::make_unique<HttpExchange>(cancelEvent)
                                                     : std::make_unique<HttpExchange>();
        if (sink)
            exchange->setBodySink(sink);
        return exchange->run(full);
    };
}

} // namespace pelvaro::submit
