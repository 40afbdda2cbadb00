#pragma once

#include <QtGlobal>

namespace Sweepora::Service {

// What one client address and one account may do. Every limit is answered with HTTP 429 and a
// message in Chinese; the counts live in the database, so a restart forgets none of them.
struct ServiceLimits
{
    static constexpr qint64 kHourMs = 60 * 60 * 1000;
    static constexpr qint64 kDayMs = 24 * kHourMs;

    int uploadsPerHour = 10;
    int uploadsPerDay = 50;
    // Workshop rows one address may ever leave in the database.
    int rowsPerClient = 500;
    // Uploads are refused once the database file holds this much.
    qint64 maxDatabaseBytes = qint64(256) * 1024 * 1024;

    // Sign-in code checks from one address, over all accounts.
    int checksPerClientPerHour = 20;
    // Wrong checks of one account over all its codes; then it is locked for the rest of the day.
    int wrongChecksPerAccountPerDay = 10;
};

} // namespace Sweepora::Service
