// RecordStore.java - desktop test implementation kept in memory; record ids start at 1.
package javax.microedition.rms;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;

public class RecordStore {
    public static final Map<String, List<byte[]>> stores = new HashMap<>();
    public static int openCount;
    private final List<byte[]> records;
    private boolean open = true;

    private RecordStore(List<byte[]> records) { this.records = records; }

    public static RecordStore openRecordStore(String name, boolean create) throws RecordStoreException {
        List<byte[]> records = stores.get(name);
        if (records == null) {
            if (!create) {
                throw new RecordStoreNotFoundException(name);
            }
            records = new ArrayList<>();
            stores.put(name, records);
        }
        openCount++;
        return new RecordStore(records);
    }

    private void check() throws RecordStoreNotOpenException {
        if (!open) {
            throw new RecordStoreNotOpenException("closed");
        }
    }

    public void closeRecordStore() throws RecordStoreException {
        check();
        open = false;
        openCount--;
    }

    public int getNumRecords() throws RecordStoreNotOpenException {
        check();
        return records.size();
    }

    public int addRecord(byte[] data, int offset, int n) throws RecordStoreException {
        check();
        records.add(java.util.Arrays.copyOfRange(data, offset, offset + n));
        return records.size();
    }

    public byte[] getRecord(int id) throws RecordStoreException {
        check();
        if (id < 1 || id > records.size()) {
            throw new InvalidRecordIDException("no record " + id);
        }
        return records.get(id - 1).clone();
    }

    public void setRecord(int id, byte[] data, int offset, int n) throws RecordStoreException {
        check();
        if (id < 1 || id > records.size()) {
            throw new InvalidRecordIDException("no record " + id);
        }
        records.set(id - 1, java.util.Arrays.copyOfRange(data, offset, offset + n));
    }
}
