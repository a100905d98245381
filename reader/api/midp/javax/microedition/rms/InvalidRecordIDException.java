// InvalidRecordIDException.java - MIDP 1.0, signatures only.
package javax.microedition.rms;

public class InvalidRecordIDException extends RecordStoreException {
    public InvalidRecordIDException() {}
    public InvalidRecordIDException(String message) {}
}
