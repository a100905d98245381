// RecordStoreNotOpenException.java - desktop test implementation.
package javax.microedition.rms;

public class RecordStoreNotOpenException extends RecordStoreException {
    public RecordStoreNotOpenException(String message) { super(message); }
}
