// Owns the name cache of one open pathway and saves it periodically from the
// event loop; it has no window of its own.
#pragma once

#include <QObject>
#include <QTimer>
#include <string>

#include "model/Cache.h"

class Cacher : public QObject {
    Q_OBJECT
public:
    // Loads the cache and starts saving it every intervalMs milliseconds.
    explicit Cacher(std::string fileName, int intervalMs = 10000);
    ~Cacher() override;

    Cache& getCache() { return cache; }
    const Cache& getCache() const { return cache; }

public slots:
    // Saves the cache when it changed; false when the write failed.
    bool save2();

private:
    Cache cache;
    QTimer* timer;  // child of this object
};
