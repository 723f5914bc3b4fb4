#pragma once

// A fresh data.db with many memos for the benchmarks: memo i is the sample memo titled "备忘 i",
// shaped by the caller, all inserted in one transaction.

#include "TestStore.h"

#include "store/Database.h"

#include <functional>
#include <memory>

namespace velmo::bench {

// Null when a step fails (the benchmark then skips with an error).
inline std::unique_ptr<test::TestStore> filledStore(int count,
                                                    const std::function<void(MemoRecord&, int)>& shape)
{
    auto store = std::make_unique<test::TestStore>();
    if (!store->isValid())
        return nullptr;
    Transaction transaction(store->db());
    for (int i = 0; i < count; ++i) {
        MemoRecord memo = store->sampleMemo(QStringLiteral("备忘 %1").arg(i));
        shape(memo, i);
        if (!store->addMemo(memo))
            return nullptr;
    }
    if (!transaction.commit())
        return nullptr;
    return store;
}

} // namespace velmo::bench
