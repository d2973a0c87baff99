// The WMI query over the physical disks (Win32_DiskDrive in ROOT\CIMV2). One call does the whole
// query: apartment, process security, connection, a forward-only walk, and every release.
#pragma once

#include <windows.h>
#include <wbemidl.h>

// What the caller does with each disk. The frame hands it one disk object at a time and the one
// value holder that serves every property read of the query; the frame clears the holder and
// releases the disk after each visit.
class CDiskVisitor
{
public:
    virtual void VisitDisk(IWbemClassObject& disk, VARIANT& value) = 0;

protected:
    ~CDiskVisitor() = default;
};

// Reads one named property of a disk into the value holder, replacing what it held. A failed
// read is not reported: the holder's type tag is all the caller goes by.
void ReadDiskProperty(IWbemClassObject& disk, const wchar_t* name, VARIANT& value);

// Runs "SELECT * FROM Win32_DiskDrive" and visits every disk in delivery order. Returns false when
// the query could not be set up (apartment open multi-threaded, process security fixed otherwise,
// no WMI, ...): then no disk was visited. An error while walking only ends the walk.
bool RunDiskQuery(CDiskVisitor& perDisk);
