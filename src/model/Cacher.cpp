// Periodic saving of a pathway's name cache.
#include "model/Cacher.h"

Cacher::Cacher(std::string fileName, int intervalMs)
    : cache(std::move(fileName)), timer(new QTimer(this)) {
    connect(timer, &QTimer::timeout, this, &Cacher::save2);
    timer->start(intervalMs);
}

Cacher::~Cacher() = default;

bool Cacher::save2() {
    return cache.save();
}
