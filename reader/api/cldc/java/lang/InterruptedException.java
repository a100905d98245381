// InterruptedException.java - CLDC 1.0, signatures only.
package java.lang;

public class InterruptedException extends Exception {
    public InterruptedException() {}
    public InterruptedException(String s) {}
}
