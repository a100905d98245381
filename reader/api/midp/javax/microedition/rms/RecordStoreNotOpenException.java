// RecordStoreNotOpenException.java - MIDP 1.0, signatures only.
package javax.microedition.rms;

public class RecordStoreNotOpenException extends RecordStoreException {
    public RecordStoreNotOpenException() {}
    public RecordStoreNotOpenException(String message) {}
}
