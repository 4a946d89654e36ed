#pragma once
// The fetcher of a setup that can neither download nor ask: it finds nothing. The resolver
// then fails the package with its reason.

#include "prerequisite_fetcher.h"

class UnavailableFetcher : public PrerequisiteFetcher {
  public:
    FetchResult Fetch(const FetchRequest&) override {
        FetchResult result;
        result.error = "download is not available";
        return result;
    }
};
